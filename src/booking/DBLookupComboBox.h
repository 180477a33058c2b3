#pragma once

#include <QComboBox>
#include <QPointer>
#include <QVariant>

namespace data {
class Dataset;
struct DataSource;
} // namespace data

namespace booking {

// A drop-down list bound to a dataset: it lists the list field of every row
// and its value is the key field of the chosen row. The value is kept as it
// was set even when no row carries it; the box then shows no item.
class DBLookupComboBox : public QComboBox {
    Q_OBJECT
public:
    explicit DBLookupComboBox(QWidget* parent = nullptr);

    // The items follow the source's dataset from now on.
    void setListSource(data::DataSource* source, const QString& listField, const QString& keyField);

    // Null means no value.
    QVariant keyValue() const { return m_value; }
    void setKeyValue(const QVariant& value);

signals:
    void keyValueChanged();

private:
    void datasetChanged();
    void refill();
    void showValue();
    void userChose(int index);

    QPointer<data::Dataset> m_dataset;
    QString m_listField;
    QString m_keyField;
    QVariant m_value;
    // What the items were read from: a move of the current row changes nothing.
    bool m_filledOpen = false;
    quint64 m_filledGeneration = 0;
    bool m_updating = false;
};

} // namespace booking

#include "booking/DBLookupComboBox.h"

#include "data/Dataset.h"
#include "data/UnDM.h"

namespace booking {

namespace {

bool sameKey(const QVariant& a, const QVariant& b)
{
    bool okA = false;
    bool okB = false;
    const qlonglong x = a.toLongLong(&okA);
    const qlonglong y = b.toLongLong(&okB);
    if (okA && okB)
        return x == y;
    return !a.isNull() && !b.isNull() && a.toString() == b.toString();
}

} // namespace

DBLookupComboBox::DBLookupComboBox(QWidget* parent)
    : QComboBox(parent)
{
    setEditable(false);
    connect(this, &QComboBox::currentIndexChanged, this, &DBLookupComboBox::userChose);
}

void DBLookupComboBox::setListSource(data::DataSource* source, const QString& listField, const QString& keyField)
{
    if (m_dataset)
        disconnect(m_dataset, nullptr, this, nullptr);
    m_dataset = source ? source->dataSet : nullptr;
    m_listField = listField;
    m_keyField = keyField;
    if (m_dataset)
        connect(m_dataset, &data::Dataset::changed, this, &DBLookupComboBox::datasetChanged);
    refill();
}

void DBLookupComboBox::setKeyValue(const QVariant& value)
{
    m_value = value;
    showValue();
    emit keyValueChanged();
}

void DBLookupComboBox::datasetChanged()
{
    const bool open = m_dataset && m_dataset->isOpen();
    if (open == m_filledOpen && (!open || m_dataset->generation() == m_filledGeneration))
        return;
    refill();
}

void DBLookupComboBox::refill()
{
    m_updating = true;
    clear();
    m_filledOpen = m_dataset && m_dataset->isOpen();
    m_filledGeneration = m_dataset ? m_dataset->generation() : 0;
    if (m_filledOpen) {
        // Read row by row without moving the dataset's current row.
        const int list = m_dataset->fieldIndex(m_listField);
        const int key = m_dataset->fieldIndex(m_keyField);
        if (list >= 0 && key >= 0) {
            for (qsizetype row = 0; row < m_dataset->rowCount(); ++row) {
                const QVariant id = m_dataset->nullAt(row, key) ? QVariant()
                                                                : QVariant(m_dataset->integerAt(row, key));
                addItem(m_dataset->textAt(row, list), id);
            }
        }
    }
    m_updating = false;
    showValue();
}

void DBLookupComboBox::showValue()
{
    int index = -1;
    if (!m_value.isNull()) {
        for (int i = 0; i < count(); ++i) {
            if (sameKey(itemData(i), m_value)) {
                index = i;
                break;
            }
        }
    }
    m_updating = true;
    setCurrentIndex(index);
    m_updating = false;
}

void DBLookupComboBox::userChose(int index)
{
    if (m_updating || index < 0)
        return;
    m_value = itemData(index);
    emit keyValueChanged();
}

} // namespace booking

#pragma once

#include <QDialog>
#include <QMetaObject>
#include <QPointer>

class QAction;
class QLabel;
class QLineEdit;
class QMenuBar;
class QPlainTextEdit;
class QPushButton;

namespace data { class Dataset; }

// The staff accounts window: shows the current row of the staff dataset
// (narrowed by the last sign-in's login) and adds, changes or deletes accounts.
// Every write is a statement; the dataset itself is only read.
class TForm2 : public QDialog {
    Q_OBJECT
public:
    explicit TForm2(QWidget* parent = nullptr);
    ~TForm2() override;

    QMenuBar* MainMenu1;
    QAction* N1;

    QPushButton* Button1;
    QPushButton* Button4;
    QPushButton* Button5;
    QLabel* Label1;
    QLineEdit* Edit1;
    QLabel* Label2;
    QLineEdit* Edit2;
    QLabel* Label3;
    QLineEdit* Edit3;
    QLabel* Label4;
    QLineEdit* Edit4;
    QPushButton* Button2;
    QPushButton* Button3;
    // Hidden holders of the new-account and the change statements.
    QPlainTextEdit* m;
    QPlainTextEdit* t;

    // True: the next save adds a new account; false: it changes the shown one.
    bool AddMode = false;

    void FormShow();
    void Button1Click();
    void Button4Click();
    void Button2Click();
    void Button3Click();
    void Button5Click();
    void N1Click();
    void EnabledEdit(bool editing);

    bool editing() const { return m_editing; }

protected:
    void showEvent(QShowEvent* event) override;

private:
    // The four fields follow the staff dataset through its data source.
    void bindFields();
    void refreshFields();

    bool m_editing = false;
    QPointer<data::Dataset> m_bound;
    QMetaObject::Connection m_binding;
};

extern TForm2* Form2;

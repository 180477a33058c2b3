#pragma once

#include <QDialog>

class QCheckBox;
class QLabel;
class QLineEdit;
class QPushButton;

// The sign-in dialog. Its hidden check box cb is the program's editing-rights
// flag: only a successful sign-in rewrites it, and callers read it after exec().
class TForm6 : public QDialog {
    Q_OBJECT
public:
    explicit TForm6(QWidget* parent = nullptr);
    ~TForm6() override;

    bool editRights() const;

    QLabel* Label1;
    QLineEdit* Edit1;
    QLabel* Label2;
    QLineEdit* Edit2;
    QPushButton* Button1;
    QPushButton* Button2;
    QCheckBox* cb;

    void FormShow();
    void Button1Click();
    void Button2Click();
    // Keys typed in either field; Enter is swallowed (key set to null) and signs in.
    void Edit1KeyPress(QChar& key);

protected:
    void showEvent(QShowEvent* event) override;
    bool eventFilter(QObject* watched, QEvent* event) override;
};

extern TForm6* Form6;

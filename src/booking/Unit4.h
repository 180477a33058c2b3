#pragma once

#include "booking/DBLookupComboBox.h"
#include "booking/DigitsEdit.h"

#include <QAction>
#include <QComboBox>
#include <QDateEdit>
#include <QDialog>
#include <QLineEdit>
#include <QMap>
#include <QPlainTextEdit>
#include <QPushButton>

#include <optional>

class QMenuBar;

namespace data::sql { struct BookingTexts; }

// The booking editor: one booking shown, entered or changed, and saved as one
// statement. The state (viewing or editing) is the enabled state of the
// controls; the mode is NewBooking.
//
// The handlers throw the program's error type; the window's own events reach
// them through app::guarded, and a caller from outside (the board) runs them
// inside its own guarded handler, so a failure stops the caller as well.
class TForm4 : public QDialog {
    Q_OBJECT
public:
    explicit TForm4(QWidget* parent = nullptr);
    ~TForm4() override;

    QMenuBar* MainMenu1;
    QAction* N1; // "Закрыть"
    QAction* N3; // "Менеджер"

    QPushButton* Button1; // "Добавить"
    QPushButton* Button4; // "Изменить", never visible
    QPushButton* Button5; // "Удалить", never visible, no action

    QLineEdit* Edit1;  // client
    QLineEdit* Edit3;  // telephone
    QLineEdit* Edit5;  // company
    QLineEdit* Edit8;  // travel agency
    booking::DigitsEdit* Edit9;  // adults
    booking::DigitsEdit* Edit10; // children under 6
    booking::DigitsEdit* Edit11; // children under 12
    booking::DBLookupComboBox* Edit6; // room: shows NAME, value ID
    QDateEdit* Edit2;  // arrival
    QDateEdit* Edit4;  // departure
    booking::DigitsEdit* Edit12; // price
    booking::DigitsEdit* Edit13; // discount, per cent
    booking::DigitsEdit* Edit14; // discounted price
    QLineEdit* Edit16; // guarantee
    QComboBox* Edit7;  // manager list

    QPushButton* Button2; // "Сохранить"
    QPushButton* Button3; // "Отмена"

    // Statement holders, never visible: the insert in M, the update in t.
    QPlainTextEdit* M;
    QPlainTextEdit* t;

    void EnabledEdit(bool AValue);

    void Button1Click();
    void Button2Click();
    void Button3Click();
    void Button4Click();
    void Button5Click();
    void N1Click();
    void N3Click();
    void FormShow();
    void FormCloseQuery(QObject* Sender, bool& CanClose);

    void Edit9KeyUp(QObject* Sender, int Key, Qt::KeyboardModifiers Shift);
    void Edit10KeyUp(QObject* Sender, int Key, Qt::KeyboardModifiers Shift);
    void Edit11KeyUp(QObject* Sender, int Key, Qt::KeyboardModifiers Shift);
    void Edit12KeyUp(QObject* Sender, int Key, Qt::KeyboardModifiers Shift);

    // The manager list: entry i is row i + 1 of tabOtv and stands for OTV_ID i + 2.
    // Empties the list and lists rows 1 to 6 of tabOtv, nothing selected.
    void fillManagers();
    // Selects the entry of manager number otvId; none outside 2 to 7.
    void selectManager(int otvId);
    // The selected entry's manager number; 1 with nothing selected.
    int selectedManager() const;

    // The values as the statements take them; fails when no room is chosen.
    data::sql::BookingTexts bookingTexts() const;
    // The lines now held by M and t.
    QStringList insertLines() const;
    QStringList updateLines() const;

    bool editing() const;

private:
    using BookingRow = QMap<QString, QString>;
    // The lines of what another desk changed, from the booking as loaded to now.
    QStringList changeLines(const BookingRow& loaded, const BookingRow& current) const;

    // The booking a change started from, as the one-booking query held it when
    // the save began; kept across a save the user declined, which has closed
    // that query already. Every switch of the state forgets it.
    std::optional<BookingRow> m_loaded;

protected:
    void showEvent(QShowEvent* event) override;
    // Every way of closing (N1, the close box, Escape, the end request) ends here.
    void done(int result) override;
    bool eventFilter(QObject* watched, QEvent* event) override;
};

// The mode of the next save: true inserts a new booking, false changes the
// booking held by Quk.
extern bool NewBooking;

extern TForm4* Form4;

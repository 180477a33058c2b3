#pragma once

#include "DialogRecorder.h"
#include "TestDb.h"
#include "booking/Unit4.h"

#include <QDate>
#include <QStringList>
#include <memory>

// One editor over a fresh database, as the program creates it, with every
// message box recorded.
class EditorFixture {
public:
    explicit EditorFixture(TestDb::Where where = TestDb::Where::Embedded);
    ~EditorFixture();

    TestDb& db() { return *m_db; }
    DialogRecorder& boxes() { return *m_boxes; }
    TForm4& form() { return *m_form; }
    data::TDM& dm() { return *data::DM; }

    // Shown (not modally) and exposed.
    bool show();

    // A row of RES written from outside the program.
    void insertBooking(int id, const QString& client, int room, const QDate& arrival, const QDate& departure,
                       int otvId, const QString& price = QStringLiteral("1000"),
                       const QString& discount = QStringLiteral("10"),
                       const QString& amount = QStringLiteral("900"));

    // What the board does on a double-click on a booking's first day.
    void loadLikeBoard(const QDate& arrival, int room);

    // Every column of RES in the table's order, OPLATA as the server writes it.
    QStringList bookings() const;

private:
    std::unique_ptr<TestDb> m_db;
    std::unique_ptr<DialogRecorder> m_boxes;
    std::unique_ptr<TForm4> m_form;
};

#pragma once

#include <QString>
#include <QStringList>

// Every statement the client sends is composed here, as text. A text value
// goes between apostrophes with its own apostrophes doubled, so no typed text
// can break or extend a statement; a bare number must be a number.
namespace data::sql {

// 'text' with every apostrophe doubled.
QString quoted(const QString& text);

// A bare number as typed: digits with an optional sign; empty stays empty (the
// server then rejects the statement). Anything else fails before it is sent.
QString bare(const QString& text);

// A fractional amount in the regional form ("849,15") as the server reads it ("849.15").
QString bareAmount(const QString& text);

// The sign-in filter of the staff dataset: LOGIN='<login>'.
QString loginFilter(const QString& login);

// The one-booking query of a board cell: header text and row.
QStringList bookingAt(const QString& headerText, int row);

// Deletes the bookings of a room starting on the column's day.
QString bookingDelete(int row, const QString& headerText);

struct BookingTexts {
    QString client, tel, corp, turag;
    QString vzros, reb6, reb12;
    int zalsId = 0;
    QString date1, date2;
    QString price, skidka, oplata;
    QString garanty;
    int otvId = 1;
};

QStringList bookingInsert(const BookingTexts& b);
// id: the booking's ID as text (empty when none is loaded).
QStringList bookingUpdate(const BookingTexts& b, const QString& id);

// Holds a room's row in the write transaction until it ends, so that two desks
// checking the same room for a save take turns.
QString roomLock(int room);

// The bookings of a room that share a night with a stay from date1 to the day
// before nightsEnd, other than the booking excludeId (empty: none); dates as
// the regional date text. A stay whose departure is not after its arrival takes
// the night of its arrival.
QString bookingOverlaps(int room, const QString& date1, const QString& nightsEnd, const QString& excludeId);

// One booking by its ID as it is now, with its manager's name when he exists.
QString bookingById(const QString& id);

QString roomName(int room);
// Holds a booking's row like roomLock, without writing it.
QString bookingLock(const QString& id);

QStringList accountInsert(const QString& name, const QString& doljn, const QString& login, const QString& pwd);
QStringList accountUpdate(const QString& name, const QString& doljn, const QString& login, const QString& pwd,
                          const QString& id);
QString accountDelete(const QString& id);

} // namespace data::sql

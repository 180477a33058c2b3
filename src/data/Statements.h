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

QStringList accountInsert(const QString& name, const QString& doljn, const QString& login, const QString& pwd);
QStringList accountUpdate(const QString& name, const QString& doljn, const QString& login, const QString& pwd,
                          const QString& id);
QString accountDelete(const QString& id);

} // namespace data::sql

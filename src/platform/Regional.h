#pragma once

#include <QDate>
#include <QLocale>
#include <QString>

// The user's regional settings: the one place every date and number
// conversion that follows them goes through.
namespace platform {

// The system locale; where the system has none (C or POSIX) Russian settings
// stand in, since the program's date texts rely on "dd.MM.yyyy".
QLocale regionalLocale();

// Tests pin the settings; an invalid locale (the default) goes back to the system's.
void setRegionalLocaleForTests(const QLocale& locale);

QString shortDateFormat();
QChar decimalSeparator();

// A date in the regional short date form.
QString dateToText(const QDate& date);

// A text in the regional short date form; fails with "'%s' is not a valid date".
QDate textToDate(const QString& text);

// The fixed pattern of the board's headers and the details panel.
inline constexpr const char* kFixedDatePattern = "dd.MM.yyyy";
QString fixedDateText(const QDate& date);

// "Today" for the whole program; tests may pin it (an invalid date unpins).
QDate today();
void setTodayForTests(const QDate& date);

} // namespace platform

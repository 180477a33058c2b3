#include "platform/Regional.h"

#include "platform/AppError.h"

namespace platform {

namespace {
QLocale g_pinnedLocale = QLocale(QLocale::C);
bool g_localePinned = false;
QDate g_pinnedToday;
} // namespace

QLocale regionalLocale()
{
    if (g_localePinned)
        return g_pinnedLocale;
    const QLocale system = QLocale::system();
    if (system.language() == QLocale::C)
        return QLocale(QLocale::Russian, QLocale::Russia);
    return system;
}

void setRegionalLocaleForTests(const QLocale& locale)
{
    g_pinnedLocale = locale;
    g_localePinned = true;
}

QString shortDateFormat()
{
    return regionalLocale().dateFormat(QLocale::ShortFormat);
}

QChar decimalSeparator()
{
    const QString sep = regionalLocale().decimalPoint();
    return sep.isEmpty() ? QChar('.') : sep.at(0);
}

QString dateToText(const QDate& date)
{
    return date.toString(shortDateFormat());
}

QDate textToDate(const QString& text)
{
    const QDate date = QDate::fromString(text.trimmed(), shortDateFormat());
    if (!date.isValid())
        throw AppError(QStringLiteral("'%1' is not a valid date").arg(text));
    return date;
}

QString fixedDateText(const QDate& date)
{
    return date.toString(QLatin1String(kFixedDatePattern));
}

QDate today()
{
    return g_pinnedToday.isValid() ? g_pinnedToday : QDate::currentDate();
}

void setTodayForTests(const QDate& date)
{
    g_pinnedToday = date;
}

} // namespace platform

#include "data/Statements.h"

#include "platform/AppError.h"
#include "platform/Regional.h"

namespace data::sql {

QString quoted(const QString& text)
{
    QString out;
    out.reserve(text.size() + 2);
    out += QLatin1Char('\'');
    for (QChar c : text) {
        out += c;
        if (c == QLatin1Char('\''))
            out += c;
    }
    out += QLatin1Char('\'');
    return out;
}

namespace {

bool isNumber(const QString& text, bool allowFraction)
{
    qsizetype i = 0;
    if (i < text.size() && (text[i] == QLatin1Char('-') || text[i] == QLatin1Char('+')))
        ++i;
    qsizetype digits = 0;
    bool point = false;
    for (; i < text.size(); ++i) {
        const QChar c = text[i];
        if (c >= QLatin1Char('0') && c <= QLatin1Char('9'))
            ++digits;
        else if (allowFraction && c == QLatin1Char('.') && !point && digits > 0)
            point = true;
        else
            return false;
    }
    return digits > 0 && !text.endsWith(QLatin1Char('.'));
}

} // namespace

QString bare(const QString& text)
{
    if (text.isEmpty() || isNumber(text, false))
        return text;
    platform::throwNotInteger(text);
}

QString bareAmount(const QString& text)
{
    QString out = text;
    const QChar separator = platform::decimalSeparator();
    if (separator != QLatin1Char('.'))
        out.replace(separator, QLatin1Char('.'));
    if (out.isEmpty() || isNumber(out, true))
        return out;
    throw platform::AppError(QStringLiteral("'%1' is not a valid floating point value").arg(text));
}

QString loginFilter(const QString& login)
{
    return QStringLiteral("LOGIN=") + quoted(login);
}

QStringList bookingAt(const QString& headerText, int row)
{
    return {QStringLiteral("select * from RES inner join OTV on OTV.ID=RES.OTV_ID"),
            QStringLiteral("where Date1=") + quoted(headerText) + QStringLiteral(" and ZALS_ID=") +
                QString::number(row)};
}

QString bookingDelete(int row, const QString& headerText)
{
    return QStringLiteral("delete from res where ZALS_ID=") + QString::number(row) + QStringLiteral(" and Date1=") +
           quoted(headerText);
}

QStringList bookingInsert(const BookingTexts& b)
{
    const QString sep = QStringLiteral(", ");
    QString values = QStringLiteral("values (GEN_ID(GEN_RES_ID,1),");
    values += quoted(b.client) + sep + quoted(b.tel) + sep + quoted(b.corp) + sep + quoted(b.turag) + sep;
    values += bare(b.vzros) + sep + bare(b.reb6) + sep + bare(b.reb12) + sep;
    values += QString::number(b.zalsId) + sep + quoted(b.date1) + sep + quoted(b.date2) + sep;
    values += bare(b.price) + QLatin1Char(',') + bare(b.skidka) + sep + bareAmount(b.oplata) + sep;
    values += quoted(b.garanty) + sep + QString::number(b.otvId) + QLatin1Char(')');
    return {QStringLiteral("INSERT INTO RES (ID, CLIENT, TEL, CORP, TURAG, VZROS, REB6, REB12, ZALS_ID, DATE1, "
                           "DATE2, PRICE, SKIDKA, OPLATA, GARANTY, OTV_ID)"),
            values};
}

QStringList bookingUpdate(const BookingTexts& b, const QString& id)
{
    QString set = QStringLiteral("UPDATE RES SET ");
    set += QStringLiteral("CLIENT=") + quoted(b.client);
    set += QStringLiteral(", TEL=") + quoted(b.tel);
    set += QStringLiteral(", CORP=") + quoted(b.corp);
    set += QStringLiteral(", TURAG=") + quoted(b.turag);
    set += QStringLiteral(", VZROS=") + bare(b.vzros);
    set += QStringLiteral(", REB6=") + bare(b.reb6);
    set += QStringLiteral(", REB12=") + bare(b.reb12);
    set += QStringLiteral(", ZALS_ID=") + QString::number(b.zalsId);
    set += QStringLiteral(", DATE1=") + quoted(b.date1);
    set += QStringLiteral(", DATE2=") + quoted(b.date2);
    set += QStringLiteral(", PRICE=") + bare(b.price);
    set += QStringLiteral(", SKIDKA=") + bare(b.skidka);
    set += QStringLiteral(", OPLATA=") + bareAmount(b.oplata);
    set += QStringLiteral(", GARANTY=") + quoted(b.garanty);
    set += QStringLiteral(", OTV_ID=") + QString::number(b.otvId);
    return {set, QStringLiteral("WHERE RES.ID=") + bare(id)};
}

QString roomLock(int room)
{
    return QStringLiteral("update ZALS set NAME=NAME where ID=") + QString::number(room);
}

QString bookingOverlaps(int room, const QString& date1, const QString& nightsEnd, const QString& excludeId)
{
    QString text = QStringLiteral("select ID, CLIENT, DATE1, DATE2 from RES where ZALS_ID=") + QString::number(room) +
                   QStringLiteral(" and DATE1<cast(") + quoted(nightsEnd) + QStringLiteral(" as date) and cast(") +
                   quoted(date1) +
                   QStringLiteral(" as date)<(case when DATE2>DATE1 then DATE2 else DATE1+1 end)");
    if (!excludeId.isEmpty())
        text += QStringLiteral(" and ID<>") + bare(excludeId);
    return text + QStringLiteral(" order by DATE1, ID");
}

QString bookingById(const QString& id)
{
    return QStringLiteral("select RES.*, OTV.NAME from RES left join OTV on OTV.ID=RES.OTV_ID where RES.ID=") +
           bare(id);
}

QString bookingLock(const QString& id)
{
    return QStringLiteral("select ID from RES where ID=") + bare(id) + QStringLiteral(" with lock");
}

QString roomName(int room)
{
    return QStringLiteral("select NAME from ZALS where ID=") + QString::number(room);
}

QStringList accountInsert(const QString& name, const QString& doljn, const QString& login, const QString& pwd)
{
    return {QStringLiteral("INSERT INTO OTV (ID, NAME, DOLJN, Login, pwd) "),
            QStringLiteral("values (GEN_ID(GEN_OTV_ID,1),") + quoted(name) + QStringLiteral(", ") + quoted(doljn) +
                QStringLiteral(", ") + quoted(login) + QStringLiteral(", ") + quoted(pwd) + QLatin1Char(')')};
}

QStringList accountUpdate(const QString& name, const QString& doljn, const QString& login, const QString& pwd,
                          const QString& id)
{
    return {QStringLiteral("Update OTV set NAME=") + quoted(name) + QStringLiteral(", DOLJN=") + quoted(doljn) +
            QStringLiteral(", LOGIN=") + quoted(login) + QStringLiteral(", PWD=") + quoted(pwd) +
            QStringLiteral(" where id=") + bare(id)};
}

QString accountDelete(const QString& id)
{
    return QStringLiteral("delete from OTV where id = ") + bare(id);
}

} // namespace data::sql

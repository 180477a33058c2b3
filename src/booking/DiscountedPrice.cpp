#include "booking/DiscountedPrice.h"

#include "platform/AppError.h"
#include "platform/Regional.h"

#include <charconv>
#include <limits>

namespace booking {

qint32 strToInt32(const QString& text)
{
    qsizetype i = 0;
    bool negative = false;
    if (i < text.size() && (text[i] == QLatin1Char('+') || text[i] == QLatin1Char('-'))) {
        negative = text[i] == QLatin1Char('-');
        ++i;
    }
    if (i == text.size())
        platform::throwNotInteger(text);
    qint64 value = 0;
    // One past the maximum is allowed for a negative number.
    const qint64 limit = qint64(std::numeric_limits<qint32>::max()) + (negative ? 1 : 0);
    for (; i < text.size(); ++i) {
        const char16_t c = text[i].unicode();
        if (c < u'0' || c > u'9')
            platform::throwNotInteger(text);
        value = value * 10 + (c - u'0');
        if (value > limit)
            platform::throwNotInteger(text);
    }
    return qint32(negative ? -value : value);
}

QString generalNumberText(long double x, QChar decimalSeparator)
{
    if (x == 0)
        return QStringLiteral("0");
    // d.dddddddddddddde±NN: 15 significant digits, independent of the C locale.
    char buffer[64];
    const auto result = std::to_chars(buffer, buffer + sizeof buffer, x, std::chars_format::scientific, 14);
    const QString sci = QString::fromLatin1(buffer, result.ptr - buffer);

    const bool negative = sci.startsWith(QLatin1Char('-'));
    const qsizetype e = sci.indexOf(QLatin1Char('e'));
    QString digits = sci.mid(negative ? 1 : 0, e - (negative ? 1 : 0));
    digits.remove(QLatin1Char('.'));
    const int exponent = sci.mid(e + 1).toInt();
    while (digits.size() > 1 && digits.endsWith(QLatin1Char('0')))
        digits.chop(1);

    QString whole;
    QString fraction;
    if (exponent >= 0) {
        whole = digits.left(exponent + 1);
        if (whole.size() < exponent + 1)
            whole += QString(exponent + 1 - whole.size(), QLatin1Char('0'));
        fraction = digits.mid(exponent + 1);
    } else {
        whole = QStringLiteral("0");
        fraction = QString(-exponent - 1, QLatin1Char('0')) + digits;
    }
    QString text = negative ? QStringLiteral("-") + whole : whole;
    if (!fraction.isEmpty())
        text += decimalSeparator + fraction;
    return text;
}

std::optional<QString> discountedPriceText(const QString& price, const QString& discount)
{
    if (price.isEmpty() || discount.isEmpty())
        return std::nullopt;
    const qint32 a = strToInt32(price);
    const qint32 b = strToInt32(discount);
    if (a <= 0)
        return std::nullopt;
    const qint64 p = qint64(a) * qint64(b);
    const long double x = static_cast<long double>(a) - static_cast<long double>(p) / 100.0L;
    return generalNumberText(x, platform::decimalSeparator());
}

} // namespace booking

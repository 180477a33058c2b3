#pragma once

#include <QString>
#include <QtGlobal>
#include <optional>

namespace booking {

// A whole number in the signed 32-bit range: optional sign and decimal digits.
// Anything else fails with "'%s' is not a valid integer value".
qint32 strToInt32(const QString& text);

// x in general number format: at most 15 significant digits, never an
// exponent, no thousands separators, the given decimal separator, no trailing
// zeros.
QString generalNumberText(long double x, QChar decimalSeparator);

// The discounted price of "С учетом скидки" for a price and a discount text;
// nothing when the field keeps its text (either text empty, price 0 or less).
// Both texts are converted before the price is tested, so a bad discount fails
// even with price 0. The product is taken in 64 bits, so prices and discounts
// whose product leaves the 32-bit range still give the true amount.
std::optional<QString> discountedPriceText(const QString& price, const QString& discount);

} // namespace booking

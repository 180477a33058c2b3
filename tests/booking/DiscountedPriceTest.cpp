#include "booking/DiscountedPrice.h"
#include "platform/AppError.h"
#include "platform/Regional.h"

#include <QTest>

using booking::discountedPriceText;
using booking::strToInt32;

namespace {
const QLocale kRussian(QLocale::Russian, QLocale::Russia);
const QLocale kEnglish(QLocale::English, QLocale::UnitedStates);
} // namespace

class DiscountedPriceTest : public QObject {
    Q_OBJECT
private slots:
    void cleanup() { platform::setRegionalLocaleForTests(QLocale()); }

    void discountedPrice_data()
    {
        QTest::addColumn<QString>("price");
        QTest::addColumn<QString>("discount");
        QTest::addColumn<QLocale>("locale");
        QTest::addColumn<bool>("changed");
        QTest::addColumn<QString>("expected");

        QTest::newRow("1000 less 10%") << "1000" << "10" << kRussian << true << "900";
        QTest::newRow("5000 less 10%") << "5000" << "10" << kRussian << true << "4500";
        QTest::newRow("999 less 15%, comma") << "999" << "15" << kRussian << true << "849,15";
        QTest::newRow("999 less 15%, full stop") << "999" << "15" << kEnglish << true << "849.15";
        QTest::newRow("1234 less 33%") << "1234" << "33" << kRussian << true << "826,78";
        QTest::newRow("one decimal is not padded") << "3" << "10" << kRussian << true << "2,7";
        QTest::newRow("1 less 1%") << "1" << "1" << kRussian << true << "0,99";
        QTest::newRow("no discount") << "1000" << "0" << kRussian << true << "1000";
        QTest::newRow("whole discount") << "1000" << "100" << kRussian << true << "0";
        QTest::newRow("above 100%") << "1000" << "150" << kRussian << true << "-500";
        QTest::newRow("negative discount") << "1000" << "-5" << kRussian << true << "1050";
        QTest::newRow("no thousands separator") << "1234567" << "0" << kRussian << true << "1234567";
        // The product of these leaves 32 bits; taken in 64 bits the amount stays true.
        QTest::newRow("product beyond 32 bits") << "100000" << "50000" << kRussian << true << "-49900000";
        QTest::newRow("largest price, whole discount") << "2147483647" << "100" << kRussian << true << "0";
        QTest::newRow("smallest discount") << "1" << "-2147483648" << kRussian << true << "21474837,48";
        // 17 digits before the separator: 15 significant ones, no exponent.
        QTest::newRow("largest product") << "2147483647" << "2147483647" << kRussian << true
                                         << "-46116857993840600";
        QTest::newRow("price 0") << "0" << "10" << kRussian << false << QString();
        QTest::newRow("negative price") << "-5" << "10" << kRussian << false << QString();
        QTest::newRow("empty price") << "" << "10" << kRussian << false << QString();
        QTest::newRow("empty discount") << "1000" << "" << kRussian << false << QString();
    }

    void discountedPrice()
    {
        QFETCH(QString, price);
        QFETCH(QString, discount);
        QFETCH(QLocale, locale);
        QFETCH(bool, changed);
        QFETCH(QString, expected);
        platform::setRegionalLocaleForTests(locale);

        const std::optional<QString> text = discountedPriceText(price, discount);
        QCOMPARE(text.has_value(), changed);
        if (changed)
            QCOMPARE(*text, expected);
    }

    void notAnInteger_data()
    {
        QTest::addColumn<QString>("price");
        QTest::addColumn<QString>("discount");
        QTest::addColumn<QString>("offending");

        QTest::newRow("price above the range") << "2147483648" << "10" << "2147483648";
        QTest::newRow("eleven digits") << "12345678901" << "10" << "12345678901";
        QTest::newRow("discount above the range") << "1000" << "99999999999" << "99999999999";
        // Both are converted before the price is looked at.
        QTest::newRow("bad discount with price 0") << "0" << "2147483648" << "2147483648";
        QTest::newRow("decimal comma") << "849,15" << "10" << "849,15";
        QTest::newRow("letters") << "12ab" << "10" << "12ab";
        QTest::newRow("blank") << " 12" << "10" << " 12";
    }

    void notAnInteger()
    {
        QFETCH(QString, price);
        QFETCH(QString, discount);
        QFETCH(QString, offending);
        try {
            discountedPriceText(price, discount);
            QFAIL("no failure");
        } catch (const platform::AppError& e) {
            QCOMPARE(e.message(), QStringLiteral("'%1' is not a valid integer value").arg(offending));
        }
    }

    void signed32Range_data()
    {
        QTest::addColumn<QString>("text");
        QTest::addColumn<bool>("valid");
        QTest::addColumn<int>("value");

        QTest::newRow("largest") << "2147483647" << true << 2147483647;
        QTest::newRow("smallest") << "-2147483648" << true << int(-2147483647 - 1);
        QTest::newRow("leading zeros") << "000042" << true << 42;
        QTest::newRow("plus sign") << "+7" << true << 7;
        QTest::newRow("one above") << "2147483648" << false << 0;
        QTest::newRow("one below") << "-2147483649" << false << 0;
        QTest::newRow("sign alone") << "-" << false << 0;
        QTest::newRow("empty") << "" << false << 0;
        QTest::newRow("trailing blank") << "5 " << false << 0;
    }

    void signed32Range()
    {
        QFETCH(QString, text);
        QFETCH(bool, valid);
        QFETCH(int, value);
        bool threw = false;
        int got = 0;
        try {
            got = strToInt32(text);
        } catch (const platform::AppError&) {
            threw = true;
        }
        QCOMPARE(!threw, valid);
        if (valid)
            QCOMPARE(got, value);
    }
};

QTEST_APPLESS_MAIN(DiscountedPriceTest)
#include "DiscountedPriceTest.moc"

#include "platform/AppError.h"
#include "platform/Regional.h"

#include <QTest>

class RegionalTest : public QObject {
    Q_OBJECT
private slots:
    // Without regional settings (C or POSIX) the Russian ones stand in.
    void russianWhereTheSystemHasNone()
    {
        if (QLocale::system().language() != QLocale::C)
            QSKIP("the system has regional settings of its own");
        QCOMPARE(platform::regionalLocale().language(), QLocale::Russian);
        QCOMPARE(platform::shortDateFormat(), QString("dd.MM.yyyy"));
        QCOMPARE(platform::decimalSeparator(), QChar(','));
    }

    void datesInTheRegionalForm()
    {
        platform::setRegionalLocaleForTests(QLocale(QLocale::Russian, QLocale::Russia));
        QCOMPARE(platform::dateToText(QDate(2013, 11, 8)), QString("08.11.2013"));
        QCOMPARE(platform::textToDate("08.11.2013"), QDate(2013, 11, 8));
        try {
            platform::textToDate("2013-11-08");
            QFAIL("no failure");
        } catch (const platform::AppError& e) {
            QCOMPARE(e.message(), QString("'2013-11-08' is not a valid date"));
        }
        // The fixed pattern stays whatever the settings say.
        platform::setRegionalLocaleForTests(QLocale(QLocale::English, QLocale::UnitedStates));
        QCOMPARE(platform::fixedDateText(QDate(2013, 11, 8)), QString("08.11.2013"));
        QVERIFY(platform::dateToText(QDate(2013, 11, 8)) != "08.11.2013");
    }
};

QTEST_GUILESS_MAIN(RegionalTest)
#include "RegionalTest.moc"

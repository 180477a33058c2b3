// Hostile and odd texts through the real statements into the real database:
// whatever is typed is stored exactly as typed or refused whole, and nothing
// but the one intended row ever changes.
#include "DialogRecorder.h"
#include "TestDb.h"

#include "data/Statements.h"
#include "data/UnDM.h"
#include "data/Win1251.h"
#include "data/WriteStatement.h"
#include "platform/Regional.h"

#include <QTest>

using namespace data::sql;

namespace {

const QString kAccounts = QStringLiteral("select ID, NAME, DOLJN, GR, LOGIN, PWD from OTV order by ID");
const QString kBookings = QStringLiteral(
    "select ID, CLIENT, TEL, CORP, TURAG, VZROS, REB6, REB12, ZALS_ID, DATE1, DATE2, PRICE, SKIDKA, OPLATA, "
    "GARANTY, OTV_ID from RES order by ID");
const QString kGenerators =
    QStringLiteral("select gen_id(GEN_OTV_ID, 0), gen_id(GEN_RES_ID, 0) from RDB$DATABASE");

// One text column exactly as stored: a one-column row is the text itself.
QString stored(const TestDb& db, const QString& select)
{
    const QStringList rows = db.rows(select);
    return rows.size() == 1 ? rows.first() : QStringLiteral("<%1 rows>").arg(rows.size());
}

// The texts of one account as the tests type them, each within its column's size.
struct Account {
    QString name, doljn, login, pwd;
    explicit Account(const QString& text)
        : name(text.left(50)), doljn((QStringLiteral("Д") + text).left(50)), login(text.left(20)),
          pwd(text.right(20))
    {
    }
    QString row(const QString& id, const QString& gr) const
    {
        return QStringList{id, name, doljn, gr, login, pwd}.join(QLatin1Char('|'));
    }
};

BookingTexts booking(const QString& text)
{
    BookingTexts b;
    b.client = text.left(30);
    b.tel = text.left(15);
    b.corp = text.left(50);
    b.turag = (QStringLiteral("т") + text).left(50);
    b.vzros = QStringLiteral("2");
    b.reb6 = QStringLiteral("0");
    b.reb12 = QStringLiteral("1");
    b.zalsId = 3;
    b.date1 = QStringLiteral("01.12.2026");
    b.date2 = QStringLiteral("04.12.2026");
    b.price = QStringLiteral("5000");
    b.skidka = QStringLiteral("10");
    b.oplata = QStringLiteral("4500,5");
    b.garanty = text.right(20);
    b.otvId = 2;
    return b;
}

QString bookingRow(const QString& id, const BookingTexts& b)
{
    return QStringList{id, b.client, b.tel, b.corp, b.turag, b.vzros, b.reb6, b.reb12, QString::number(b.zalsId),
                       b.date1, b.date2, b.price, b.skidka, b.oplata, b.garanty, QString::number(b.otvId)}
        .join(QLatin1Char('|'));
}

QString refusal(const QString& shown, const QString& code)
{
    return QStringLiteral("Символ \"%1\" (U+%2) нельзя сохранить в базе данных: "
                          "её кодировка Windows-1251 его не содержит")
        .arg(shown, code);
}

} // namespace

class BadInputTest : public QObject {
    Q_OBJECT
private slots:
    void initTestCase() { platform::setRegionalLocaleForTests(QLocale(QLocale::Russian, QLocale::Russia)); }

    // Stored exactly, in every text column the staff and booking statements write.
    void storedExactly_data()
    {
        QTest::addColumn<QString>("text");
        QTest::newRow("apostrophe") << "O'Brien";
        QTest::newRow("apostrophes only") << "'''";
        QTest::newRow("always true") << "' or '1'='1";
        QTest::newRow("second statement") << "x'; delete from OTV; --";
        QTest::newRow("closing bracket") << "'); drop table RES; --";
        QTest::newRow("comment openers") << "/* -- */ '/*";
        QTest::newRow("cyrillic and quotes") << "Д'Артаньян «Ё» №5";
        QTest::newRow("blanks around") << "  a  ";
        // Control characters are bytes of the code page like any other: kept as typed.
        QTest::newRow("tab") << "a\tb";
        QTest::newRow("line feed") << "a\nb";
        QTest::newRow("carriage return") << "a\rb";
        QTest::newRow("CR LF") << "a\r\nb";
        QTest::newRow("0x01") << QStringLiteral("a\x01" "b");
        QTest::newRow("0x1F") << QStringLiteral("a\x1F" "b");
        // Every byte of the code page but NUL (refused, below), the unassigned 0x98
        // included, in column-sized pieces.
        for (int first = 1; first < 256; first += 50) {
            QByteArray bytes;
            for (int b = first; b < qMin(first + 50, 256); ++b)
                bytes += char(b);
            QTest::addRow("bytes %02X-%02X", first, first + int(bytes.size()) - 1) << data::fromWin1251(bytes);
        }
    }
    void storedExactly()
    {
        QFETCH(QString, text);
        TestDb db;
        data::TDM& dm = db.installDM();
        DialogRecorder dialogs;

        // A new account: the table is what it was plus exactly this row.
        const Account added(text);
        QStringList accounts = db.rows(kAccounts);
        data::RunWriteStatement(accountInsert(added.name, added.doljn, added.login, added.pwd), nullptr, {});
        QCOMPARE(dialogs.count() ? dialogs.last().text : QString(), QString());
        accounts << added.row(QStringLiteral("9"), QStringLiteral("VIEW"));
        QCOMPARE(db.rows(kAccounts), accounts);
        QCOMPARE(stored(db, "select NAME from OTV where ID=9"), added.name);
        QCOMPARE(stored(db, "select PWD from OTV where ID=9"), added.pwd);
        // The server counts what it holds, independently of how we read it back.
        QCOMPARE(stored(db, "select char_length(NAME) from OTV where ID=9"), QString::number(added.name.size()));

        // A changed account: only its row moves.
        const Account changed(text + QStringLiteral("!"));
        data::RunWriteStatement(accountUpdate(changed.name, changed.doljn, changed.login, changed.pwd, "3"), nullptr,
                                {});
        QCOMPARE(dialogs.count() ? dialogs.last().text : QString(), QString());
        accounts[2] = changed.row(QStringLiteral("3"), QStringLiteral("EDIT")); // in ID order, ID 3 is third
        QCOMPARE(db.rows(kAccounts), accounts);
        QCOMPARE(stored(db, "select LOGIN from OTV where ID=3"), changed.login);

        // A new booking.
        const BookingTexts b = booking(text);
        data::RunWriteStatement(bookingInsert(b), nullptr, {});
        QCOMPARE(dialogs.count() ? dialogs.last().text : QString(), QString());
        QCOMPARE(db.rows(kBookings), QStringList{bookingRow(QStringLiteral("1"), b)});
        QCOMPARE(stored(db, "select CLIENT from RES"), b.client);
        QCOMPARE(stored(db, "select GARANTY from RES"), b.garanty);
        QCOMPARE(db.rows(kAccounts), accounts);
        QVERIFY(!dm.tr1.active());
    }

    // The server's verdict on a text longer than its column; at the column's
    // size it still fits.
    void tooLongRefusedWhole_data()
    {
        QTest::addColumn<QString>("statement");
        QTest::addColumn<int>("size");
        QTest::addColumn<int>("length");
        QTest::newRow("new account, name of 50") << "accountInsert" << 50 << 50;
        QTest::newRow("new account, name of 51") << "accountInsert" << 50 << 51;
        QTest::newRow("new account, name of 10000") << "accountInsert" << 50 << 10000;
        QTest::newRow("changed account, post of 50") << "accountUpdate" << 50 << 50;
        QTest::newRow("changed account, post of 10000") << "accountUpdate" << 50 << 10000;
        QTest::newRow("new booking, guest of 30") << "bookingInsert" << 30 << 30;
        QTest::newRow("new booking, guest of 31") << "bookingInsert" << 30 << 31;
        QTest::newRow("new booking, guest of 10000") << "bookingInsert" << 30 << 10000;
    }
    void tooLongRefusedWhole()
    {
        QFETCH(QString, statement);
        QFETCH(int, size);
        QFETCH(int, length);
        TestDb db;
        data::TDM& dm = db.installDM();
        DialogRecorder dialogs;
        // Apostrophes too, so that the statement is longer still.
        const QString text = QString(QStringLiteral("Ж'")).repeated(length).left(length);
        const QStringList accounts = db.rows(kAccounts);
        const QStringList bookings = db.rows(kBookings);

        QString column;
        if (statement == "accountInsert") {
            data::RunWriteStatement(accountInsert(text, "Менеджер", "long", "1"), nullptr, {});
            column = "select NAME from OTV where ID=9";
        } else if (statement == "accountUpdate") {
            data::RunWriteStatement(accountUpdate("Иванова Марина", text, "ivanova", "1111", "2"), nullptr, {});
            column = "select DOLJN from OTV where ID=2";
        } else {
            BookingTexts b = booking("гость");
            b.client = text;
            data::RunWriteStatement(bookingInsert(b), nullptr, {});
            column = "select CLIENT from RES";
        }
        QVERIFY(!dm.tr1.active());
        if (length <= size) {
            QCOMPARE(dialogs.count() ? dialogs.last().text : QString(), QString());
            QCOMPARE(stored(db, column), text);
            return;
        }
        QCOMPARE(dialogs.count(), 1);
        QCOMPARE(dialogs.last().caption, QString("Ошибка"));
        QCOMPARE(dialogs.last().icon, platform::MsgIcon::Error);
        QVERIFY2(dialogs.last().text.contains("string right truncation") &&
                     dialogs.last().text.contains(QStringLiteral("expected length %1").arg(size)),
                 qPrintable(dialogs.last().text));
        QCOMPARE(db.rows(kAccounts), accounts);
        QCOMPARE(db.rows(kBookings), bookings);
    }

    // What the code page cannot hold never reaches the server: the box names
    // the character, no generator moved, no table changed.
    void outsideCodePageRefusedBeforeSending_data()
    {
        QTest::addColumn<QString>("text");
        QTest::addColumn<QString>("shown");
        QTest::addColumn<QString>("code");
        QTest::newRow("CJK") << "Иванов 中" << "中" << "4E2D";
        QTest::newRow("emoji") << "😀 гость" << "😀" << "1F600";
        QTest::newRow("rouble sign") << "5000 ₽" << "₽" << "20BD";
        QTest::newRow("first of two") << "αЖ中" << "α" << "03B1";
        // Byte 0 of the code page, yet it would cut the text for anyone reading it as a C string.
        QTest::newRow("NUL") << QString(QStringLiteral("a") + QChar(0) + QStringLiteral("b")) << "" << "0000";
        QTest::newRow("half an emoji") << QString(QStringLiteral("ab") + QChar(0xD83D)) << QString(QChar(0xD83D))
                                       << "D83D";
    }
    void outsideCodePageRefusedBeforeSending()
    {
        QFETCH(QString, text);
        QFETCH(QString, shown);
        QFETCH(QString, code);
        TestDb db;
        data::TDM& dm = db.installDM();
        DialogRecorder dialogs;
        const QStringList accounts = db.rows(kAccounts);
        const QStringList bookings = db.rows(kBookings);
        const QStringList generators = db.rows(kGenerators);

        BookingTexts b = booking("гость");
        b.corp = text;
        const QList<QStringList> statements{accountInsert(text, "Менеджер", "odd", "1"),
                                            accountUpdate("Петров Сергей", text, "petrov", "2222", "3"),
                                            bookingInsert(b)};
        for (const QStringList& statement : statements) {
            dialogs.clear();
            data::RunWriteStatement(statement, nullptr, {});
            QCOMPARE(dialogs.count(), 1);
            QCOMPARE(dialogs.last().caption, QString("Ошибка"));
            QCOMPARE(dialogs.last().icon, platform::MsgIcon::Error);
            QCOMPARE(dialogs.last().text, refusal(shown, code));
            QVERIFY(!dm.tr1.active());
        }
        QCOMPARE(db.rows(kAccounts), accounts);
        QCOMPARE(db.rows(kBookings), bookings);
        QCOMPARE(db.rows(kGenerators), generators);

        // The refusal leaves nothing behind: the next statement goes through.
        data::RunWriteStatement(accountUpdate("Петров Сергей", "Менеджер", "petrov", "2222", "3"), nullptr, {});
        QCOMPARE(dialogs.count(), 1);
    }
};

QTEST_MAIN(BadInputTest)
#include "BadInputTest.moc"

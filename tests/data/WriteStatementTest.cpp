#include "DialogRecorder.h"
#include "TestDb.h"

#include "data/UnDM.h"
#include "data/WriteStatement.h"
#include "platform/AppError.h"

#include <QTest>

using data::TDM;

class WriteStatementTest : public QObject {
    Q_OBJECT
private slots:
    void commitsAndReopens()
    {
        TestDb db;
        TDM& dm = db.installDM();
        DialogRecorder dialogs;
        dm.qAll.open();
        QStringList order;
        data::RunWriteStatement({"insert into RES (ID, CLIENT, TEL, VZROS, REB6, REB12, ZALS_ID, DATE1, DATE2, OTV_ID)",
                                 "values (GEN_ID(GEN_RES_ID,1), 'A', '1', 1, 0, 0, 2, '01.12.2026', '03.12.2026', 2)"},
                                [&] { order << (dm.tr1.active() ? "prep-in-tr" : "prep"); }, {&dm.qAll});
        QCOMPARE(order, QStringList{"prep"});
        QCOMPARE(dialogs.count(), 0);
        QVERIFY(!dm.tr1.active());
        QCOMPARE(db.value("select count(*) from RES"), QString("1"));
        // reopened in the same read-committed transaction: the new row is there
        QVERIFY(dm.qAll.isOpen());
        QCOMPARE(dm.qAll.recordCount(), 1);
        data::restartDataset(dm.qAll);
        QCOMPARE(dm.qAll.recordCount(), 1);
    }

    void failureRollsBackAndShowsTheBox()
    {
        TestDb db;
        TDM& dm = db.installDM();
        DialogRecorder dialogs;
        // Two statements would be one change: the second fails, the first must not stay.
        data::RunWriteStatement({"execute block as begin",
                                 "update OTV set DOLJN='half' where ID=1;",
                                 "insert into ZALS (ID, NAME) values (1, 'dup');",
                                 "end"},
                                nullptr, {});
        QCOMPARE(dialogs.count(), 1);
        QCOMPARE(dialogs.last().caption, QString("Ошибка"));
        QCOMPARE(dialogs.last().icon, platform::MsgIcon::Error);
        QCOMPARE(dialogs.last().buttons, int(platform::Ok));
        QVERIFY2(dialogs.last().text.contains("PRIMARY", Qt::CaseInsensitive) ||
                     dialogs.last().text.contains("unique", Qt::CaseInsensitive),
                 qPrintable(dialogs.last().text));
        QVERIFY(!dm.tr1.active());
        QVERIFY(db.value("select DOLJN from OTV where ID=1") != "half");

        // The next write starts normally.
        data::RunWriteStatement({"update OTV set DOLJN='whole' where ID=1"}, nullptr, {});
        QCOMPARE(dialogs.count(), 1);
        QCOMPARE(db.value("select DOLJN from OTV where ID=1"), QString("whole"));

        // A failing preparation is reported like the statement and sends nothing.
        data::RunWriteStatement({"update OTV set DOLJN='prep' where ID=1"},
                                [] { throw platform::AppError("prepared badly"); }, {});
        QCOMPARE(dialogs.last().text, QString("prepared badly"));
        QCOMPARE(db.value("select DOLJN from OTV where ID=1"), QString("whole"));
    }

    // The server quotes stored text in the database's code page; the box shows it readably.
    void refusalQuotingStoredTextIsReadable_data()
    {
        QTest::addColumn<QString>("index");
        QTest::addColumn<QString>("statement");
        QTest::addColumn<QString>("quoted");
        QTest::newRow("duplicate Latin login")
            << "create unique index OTV_LOGIN on OTV (LOGIN)"
            << "INSERT INTO OTV (ID, NAME, DOLJN, Login, pwd) values (GEN_ID(GEN_OTV_ID,1),'Иванова-2', 'Менеджер', "
               "'ivanova', '1')"
            << "(\"LOGIN\" = 'ivanova')";
        QTest::newRow("two accounts given one Cyrillic login")
            << "create unique index OTV_LOGIN on OTV (LOGIN)"
            << "update OTV set LOGIN='Иванова' where ID in (2, 3)"
            << "(\"LOGIN\" = 'Иванова')";
        QTest::newRow("duplicate room name with digits")
            << "create unique index ZALS_NAME on ZALS (NAME)"
            << "insert into ZALS (ID, NAME) values (13, 'Люкс 1')"
            << "(\"NAME\" = 'Люкс 1')";
    }

    void refusalQuotingStoredTextIsReadable()
    {
        QFETCH(QString, index);
        QFETCH(QString, statement);
        QFETCH(QString, quoted);
        TestDb db;
        db.exec(index);
        db.installDM();
        DialogRecorder dialogs;
        data::RunWriteStatement({statement}, nullptr, {});
        QCOMPARE(dialogs.count(), 1);
        const QString text = dialogs.last().text;
        // The library's own words and the quoted value, both readable.
        QVERIFY2(text.contains("attempt to store duplicate value"), qPrintable(text));
        QVERIFY2(text.contains(quoted), qPrintable(text));
        QVERIFY2(!text.contains(QChar::ReplacementCharacter), qPrintable(text));
    }

    void reopenFailureKeepsTheChange()
    {
        TestDb db;
        TDM& dm = db.installDM();
        DialogRecorder dialogs;
        dm.Quk.setSql({"select * from NO_SUCH_TABLE"});
        data::RunWriteStatement({"update OTV set DOLJN='kept' where ID=1"}, nullptr, {&dm.Quk});
        QCOMPARE(dialogs.count(), 1);
        QCOMPARE(dialogs.last().caption, QString("Ошибка"));
        QCOMPARE(db.value("select DOLJN from OTV where ID=1"), QString("kept"));
        QVERIFY(!dm.tr1.active());
    }

    void confirmation()
    {
        DialogRecorder dialogs;
        dialogs.answerNext(platform::No);
        QVERIFY(!data::ConfirmDeletion());
        dialogs.answerNext(platform::Yes);
        QVERIFY(data::ConfirmDeletion());
        const auto& m = dialogs.last();
        QCOMPARE(m.text, QString("Продолжить удаление?"));
        QCOMPARE(m.caption, QString("Удаление"));
        QCOMPARE(m.icon, platform::MsgIcon::Question);
        QCOMPARE(m.buttons, int(platform::Yes | platform::No));
        QCOMPARE(m.defaultButton, platform::Yes);
    }
};

QTEST_MAIN(WriteStatementTest)
#include "WriteStatementTest.moc"

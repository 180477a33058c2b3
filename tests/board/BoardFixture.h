#pragma once

#include "DialogRecorder.h"
#include "Modal.h"
#include "TestDb.h"

#include <QString>
#include <QTemporaryDir>
#include <memory>

class TForm1;
namespace program { class Program; }

// The whole program on a fresh database: conf.ini in a folder standing for the
// executable's, the data module and the four windows created in their order.
class BoardFixture {
public:
    struct Options {
        QString login = QStringLiteral("admin");
        QString password = QStringLiteral("admin");
        QString confExtra;              // more lines for conf.ini
        QString colors = QStringLiteral("Otv=7\nc1=clRed\nc2=$00FF00\nc3=clBlue\nc4=clYellow\nc5=clAqua\n"
                                        "c6=clFuchsia\nc7=12632256\n");
        int rows = 12;
        TestDb::Where where = TestDb::Where::Embedded;
        // An existing database in place of a fresh copy, and the database
        // user that conf.ini names for it (none: the fixed login).
        QString path;
        QString user;
        QString userPassword;
    };

    BoardFixture();
    explicit BoardFixture(const Options& options);
    ~BoardFixture();

    TestDb& db() { return *m_db; }
    DialogRecorder& dialogs() { return m_dialogs; }
    const QString& confPath() const { return m_confPath; }
    void writeConf(const QString& text);

    // Shows the board; the sign-in dialog is answered with the options' account.
    // False when the start did not get as far as the board on screen.
    bool start();
    TForm1* board() const;

    // What the system delivers for a double-click on a cell of the board:
    // press, release, double-click, release.
    static void doubleClick(TForm1* board, int col, int row);

    // Adds a booking by SQL: room, arrival and departure as dates, manager.
    void addBooking(int id, int room, const QDate& arrival, const QDate& departure, int otv,
                    const QString& client = QStringLiteral("Гость"), const QString& tel = QStringLiteral("555-01"));

private:
    Options m_options;
    DialogRecorder m_dialogs;
    std::unique_ptr<TestDb> m_db;
    QTemporaryDir m_exeDir;
    QString m_confPath;
    std::unique_ptr<program::Program> m_program;
};

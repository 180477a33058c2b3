// The occupancy model against the painting rules written out literally: for
// every cell, scan every row of qAll in the query's order and read conf.ini
// afresh for each booking of the cell's room.
#include "TestDb.h"

#include "app/ConfIni.h"
#include "board/Colors.h"
#include "board/Occupancy.h"
#include "data/Dataset.h"
#include "data/UnDM.h"
#include "data/WriteStatement.h"
#include "platform/AppError.h"
#include "platform/ExeDir.h"
#include "platform/Regional.h"

#include <QFile>
#include <QGuiApplication>
#include <QRandomGenerator>
#include <QTemporaryDir>
#include <QTest>

#include <optional>

namespace {

// The board's days: across three month ends and a year's end.
const QDate kFirstDay(2026, 10, 20);
const QDate kLastDay(2027, 1, 3);

// Rooms 1 to 12 have rows; the others none.
const int kRooms[] = {-2, 0, 1, 2, 3, 4, 5, 6, 7, 8, 9, 10, 11, 12, 13, 40};
// In OTV: 1 to 8 from the template, and these; 20 is in no row of OTV, so qAll never shows it.
const int kExtraManagers[] = {-1, 0, 9, 12};
const int kManagers[] = {-1, 0, 1, 2, 3, 4, 5, 6, 7, 8, 9, 12, 20};

QString text(const QDate& d)
{
    return platform::fixedDateText(d);
}

QString insert(int id, int room, const QDate& arrival, const QDate& departure, int manager)
{
    return QStringLiteral("insert into RES (ID, CLIENT, TEL, VZROS, REB6, REB12, ZALS_ID, DATE1, DATE2, OTV_ID) "
                          "values (%1, 'Гость %1', '555-%1', 1, 0, 0, %2, '%3', '%4', %5)")
        .arg(id)
        .arg(room)
        .arg(text(arrival), text(departure))
        .arg(manager);
}

// Stays of every kind: one day, a few days, long ones over the board's edges,
// some leaving before they arrive; the same room taken twice on many days.
QStringList generatedBookings(int firstId, int count, quint32 seed)
{
    QRandomGenerator random(seed);
    QStringList out;
    for (int i = 0; i < count; ++i) {
        const int room = random.bounded(4) == 0 ? kRooms[random.bounded(int(std::size(kRooms)))]
                                                : 1 + random.bounded(12);
        const QDate arrival = kFirstDay.addDays(random.bounded(-25, int(kFirstDay.daysTo(kLastDay)) + 10));
        int length = 0;
        switch (random.bounded(6)) {
        case 0: length = 0; break;
        case 1: length = random.bounded(30, 90); break;
        case 2: length = -random.bounded(1, 4); break;
        default: length = random.bounded(1, 6); break;
        }
        const int manager = kManagers[random.bounded(int(std::size(kManagers)))];
        out << insert(firstId + i, room, arrival, arrival.addDays(length), manager);
    }
    return out;
}

// Cases written out: two stays arriving on the same day, a change-over day,
// a stay from before the board to after it, one-day stays on month ends.
QStringList writtenBookings()
{
    return {
        insert(1, 3, QDate(2026, 11, 28), QDate(2026, 12, 2), 2),
        insert(2, 3, QDate(2026, 11, 28), QDate(2026, 11, 30), 4),
        insert(3, 3, QDate(2026, 12, 2), QDate(2026, 12, 5), 1),
        insert(4, 5, QDate(2026, 9, 1), QDate(2027, 3, 1), 3),
        insert(5, 5, QDate(2026, 10, 31), QDate(2026, 10, 31), 5),
        insert(6, 7, QDate(2026, 12, 31), QDate(2026, 12, 31), 6),
        insert(7, 7, QDate(2027, 1, 3), QDate(2027, 1, 20), 7),
        insert(8, 12, QDate(2026, 10, 10), QDate(2026, 10, 20), 2),
    };
}

struct Scan {
    QStringList layers;
    QString failure;
    QStringList covering;
    QString drawn;
};

QString layerText(qsizetype row, qint32 color, bool guest, const QString& client, const QString& tel)
{
    QString s = QStringLiteral("row %1 colour %2").arg(row).arg(color);
    if (guest)
        s += QStringLiteral(" text %1 / %2").arg(client, tel);
    return s;
}

// The painting rules as they read: every row of qAll, in order, each once.
Scan naive(data::Dataset& q, int room, const QString& header)
{
    Scan out;
    const QDate day = QDate::fromString(header, platform::shortDateFormat());
    try {
        for (int i = 1; i <= q.recordCount(); ++i) {
            q.moveTo(i);
            if (q.asInteger(QStringLiteral("ZALS_ID")) != room)
                continue;
            const QString client = q.text(QStringLiteral("CLIENT"));
            const QString tel = q.text(QStringLiteral("TEL"));
            const qint32 managers = app::strToInt(app::readConf(QStringLiteral("Color"), QStringLiteral("Otv")));
            const qint64 otv = q.asInteger(QStringLiteral("OTV_ID"));
            if (otv >= 1 && otv <= managers) {
                const qint32 color =
                    board::strToColor(app::readConf(QStringLiteral("Color"), QStringLiteral("c%1").arg(otv)));
                if (day.isValid() && q.asDate(QStringLiteral("DATE1")) <= day && day <= q.asDate(QStringLiteral("DATE2")))
                    out.layers << layerText(i - 1, color, header == q.text(QStringLiteral("DATE1")), client, tel);
            }
        }
    } catch (const platform::AppError& e) {
        out.failure = e.message();
    }

    // Every stay of the room covering the day, and the last one whose
    // manager has a colour; an unreadable count fails that question where
    // the room has bookings and the header a day.
    std::optional<qint32> managers;
    QString countFailure;
    try {
        managers = app::strToInt(app::readConf(QStringLiteral("Color"), QStringLiteral("Otv")));
    } catch (const platform::AppError& e) {
        countFailure = e.message();
    }
    bool roomBooked = false;
    for (int i = 1; i <= q.recordCount(); ++i) {
        q.moveTo(i);
        if (q.asInteger(QStringLiteral("ZALS_ID")) != room)
            continue;
        roomBooked = true;
        if (!day.isValid() || q.asDate(QStringLiteral("DATE1")) > day || day > q.asDate(QStringLiteral("DATE2")))
            continue;
        out.covering << QString::number(i - 1);
        const qint64 otv = q.asInteger(QStringLiteral("OTV_ID"));
        if (managers && otv >= 1 && otv <= *managers)
            out.drawn = QString::number(i - 1);
    }
    if (roomBooked && day.isValid() && !managers)
        out.drawn = countFailure;
    return out;
}

// What one paint of the cell draws.
void modelPaint(board::Occupancy& occupancy, const data::Dataset& q, int room, const QString& header, Scan& out)
{
    board::CellView view;
    occupancy.cell(room, header, view);
    for (const board::Layer& l : view.layers)
        out.layers << layerText(l.stay->row, l.color, l.guest, q.textAt(l.stay->row, occupancy.clientColumn()),
                                q.textAt(l.stay->row, occupancy.telColumn()));
    if (view.failure)
        out.failure = view.failure->message();
}

// What a click on the cell asks.
void modelQuestions(board::Occupancy& occupancy, int room, const QString& header, Scan& out)
{
    const int day = occupancy.headerDay(header);
    for (const board::Stay* s : occupancy.covering(room, day))
        out.covering << (s->room == room && s->covers(day) ? QString::number(s->row) : QStringLiteral("outside"));
    try {
        if (const board::Stay* s = occupancy.drawnAt(room, header))
            out.drawn = QString::number(s->row);
    } catch (const platform::AppError& e) {
        out.drawn = e.message();
    }
}

QStringList headers()
{
    QStringList out{QString(), QStringLiteral("нет даты"), QStringLiteral("31.11.2026")};
    for (QDate d = kFirstDay; d <= kLastDay; d = d.addDays(1))
        out << text(d);
    return out;
}

// Every answer of the model and of the scan for every room and header, one
// line each, so that a difference names its cell.
void compareEveryCell(board::Occupancy& occupancy, data::Dataset& q, int& painted)
{
    QVERIFY(occupancy.follow(q));
    QStringList fromModel, fromScan;
    const QStringList hs = headers();
    for (int room : kRooms) {
        // A paint of the room's row, then the clicks on its cells.
        std::vector<Scan> fromModelRow(hs.size());
        occupancy.colors().expire();
        for (qsizetype i = 0; i < hs.size(); ++i)
            modelPaint(occupancy, q, room, hs[i], fromModelRow[i]);
        for (qsizetype i = 0; i < hs.size(); ++i)
            modelQuestions(occupancy, room, hs[i], fromModelRow[i]);
        for (qsizetype i = 0; i < hs.size(); ++i) {
            const QString cell = QStringLiteral("room %1 header '%2': ").arg(room).arg(hs[i]);
            Scan n = naive(q, room, hs[i]);
            for (const auto& [scan, list] : {std::pair{&fromModelRow[i], &fromModel}, std::pair{&n, &fromScan}}) {
                *list << cell + QStringLiteral("drawn ") + scan->layers.join(QStringLiteral("; "))
                      << cell + QStringLiteral("failure ") + scan->failure
                      << cell + QStringLiteral("covering ") + scan->covering.join(QLatin1Char(' '))
                      << cell + QStringLiteral("on top ") + scan->drawn;
            }
            painted += int(n.layers.size());
        }
    }
    QCOMPARE(fromModel, fromScan);
}

} // namespace

class OccupancyTest : public QObject {
    Q_OBJECT

    QTemporaryDir m_exeDir;

    void writeColors(const QString& colors)
    {
        QFile f(m_exeDir.filePath(QStringLiteral("conf.ini")));
        QVERIFY(f.open(QIODevice::WriteOnly | QIODevice::Truncate));
        f.write(("[Rows]\nCount=12\n[Color]\n" + colors).toUtf8());
    }

private slots:
    void initTestCase()
    {
        platform::setRegionalLocaleForTests(QLocale(QLocale::Russian, QLocale::Russia));
        platform::setExecutableFolderForTests(m_exeDir.path());
    }

    void answersEqualTheScanOfEveryRow_data()
    {
        QTest::addColumn<QString>("colors");
        QTest::addColumn<QString>("edited");
        QTest::addColumn<bool>("someDrawn");
        QTest::newRow("five managers coloured")
            << "Otv=5\nc1=clRed\nc2=$00FF00\nc3=clNone\nc4=clWhite\nc5=clBtnFace\nc6=clBlue\n"
            << "Otv=6\nc1=clLime\nc2=clRed\nc3=255\nc4=clNone\nc5=clAqua\nc6=clBlue\n" << true;
        QTest::newRow("every manager coloured, 12 and beyond unreadable")
            << "Otv=12\nc1=clRed\nc2=clLime\nc3=clBlue\nc4=clYellow\nc5=clAqua\nc6=clFuchsia\nc7=12632256\n"
               "c8=clGray\nc9=clTeal\nc10=clOlive\nc11=clNavy\n"
            << "Otv=9\nc1=clRed\nc2=clLime\nc3=clBlue\nc4=clYellow\nc5=clAqua\nc6=clFuchsia\nc7=12632256\n"
               "c8=clGray\nc9=clTeal\n"
            << true;
        QTest::newRow("one colour cannot be read")
            << "Otv=7\nc1=clRed\nc2=clLime\nc3=red\nc4=clYellow\nc5=clAqua\nc6=clFuchsia\nc7=clGray\n"
            << "Otv=7\nc1=clRed\nc2=clLime\nc3=clBlue\nc4=clYellow\nc5=clAqua\nc6=clFuchsia\nc7=x\n" << true;
        QTest::newRow("no manager coloured") << "Otv=0\nc1=clRed\n" << "Otv=-3\nc1=clRed\n" << false;
        QTest::newRow("count missing, then not a number") << "c1=clRed\n" << "Otv=seven\nc1=clRed\n" << false;
    }

    // Generated bookings, compared; more of them and conf.ini edited, qAll
    // reopened, compared again.
    void answersEqualTheScanOfEveryRow()
    {
        QFETCH(QString, colors);
        QFETCH(QString, edited);
        QFETCH(bool, someDrawn);
        TestDb db;
        QVERIFY(db.ok());
        QStringList managers;
        for (int id : kExtraManagers)
            managers << QStringLiteral("insert into OTV (ID, NAME, DOLJN, LOGIN) values (%1, 'М%2', 'Менеджер', 'm%2')")
                            .arg(id)
                            .arg(id + 10);
        db.exec(managers + writtenBookings() + generatedBookings(100, 220, 11));
        data::TDM& dm = db.installDM();
        writeColors(colors);
        dm.tAll.start();
        dm.qAll.open();
        QVERIFY(dm.qAll.recordCount() > 200);

        board::Occupancy occupancy;
        int painted = 0;
        compareEveryCell(occupancy, dm.qAll, painted);
        if (QTest::currentTestFailed())
            return;
        QCOMPARE(painted > 0, someDrawn);

        db.exec(generatedBookings(1000, 120, 29));
        writeColors(edited);
        data::restartDataset(dm.qAll);
        QVERIFY(dm.qAll.recordCount() > 300);
        compareEveryCell(occupancy, dm.qAll, painted);
    }

    void closedBookingsAnswerNothing()
    {
        TestDb db;
        QVERIFY(db.ok());
        db.exec(writtenBookings());
        data::TDM& dm = db.installDM();
        board::Occupancy occupancy;
        QVERIFY(!occupancy.follow(dm.qAll));
        dm.tAll.start();
        dm.qAll.open();
        QVERIFY(occupancy.follow(dm.qAll));
        QCOMPARE(occupancy.covering(3, occupancy.headerDay(QStringLiteral("30.11.2026"))).size(), size_t(2));
        dm.qAll.close();
        QVERIFY(!occupancy.follow(dm.qAll));
    }
};

int main(int argc, char** argv)
{
    QGuiApplication app(argc, argv);
    OccupancyTest t;
    return QTest::qExec(&t, argc, argv);
}

#include "OccupancyTest.moc"


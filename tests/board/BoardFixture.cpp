#include "BoardFixture.h"

#include "app/ErrorReport.h"
#include "program/Program.h"
#include "board/Main.h"
#include "booking/Unit4.h"
#include "platform/ExeDir.h"
#include "platform/Regional.h"
#include "platform/ui/BoardGrid.h"
#include "signin/Login.h"
#include "staff/Unit5.h"

#include <QApplication>
#include <QFile>
#include <QTest>

BoardFixture::BoardFixture() : BoardFixture(Options()) {}

BoardFixture::BoardFixture(const Options& options) : m_options(options)
{
    m_db = options.path.isEmpty() ? std::make_unique<TestDb>(options.where)
                                  : std::make_unique<TestDb>(options.path, options.user, options.userPassword);
    platform::setExecutableFolderForTests(m_exeDir.path());
    m_confPath = m_exeDir.filePath(QStringLiteral("conf.ini"));
    const QString login = options.user.isEmpty()
        ? QString()
        : QStringLiteral("User=%1\nPassword=%2\n").arg(options.user, options.userPassword);
    writeConf(QStringLiteral("[Base]\nPath=%1\n%2[Rows]\nCount=%3\n[Color]\n%4%5")
                  .arg(m_db->path(), login)
                  .arg(options.rows)
                  .arg(options.colors, options.confExtra));
    app::resetEndRequestForTests();
}

BoardFixture::~BoardFixture()
{
    Modal::closeModals();
    m_program.reset();
    Form1 = nullptr;
    Form2 = nullptr;
    Form4 = nullptr;
    Form6 = nullptr;
    platform::setExecutableFolderForTests(QString());
    app::resetEndRequestForTests();
    NewBooking = false;
}

void BoardFixture::writeConf(const QString& text)
{
    QFile f(m_confPath);
    f.open(QIODevice::WriteOnly | QIODevice::Truncate);
    f.write(text.toUtf8());
}

bool BoardFixture::start()
{
    data::TDM& dm = m_db->installDM(false);
    Q_UNUSED(dm);
    m_program = std::make_unique<program::Program>(*qApp);
    m_program->createWindows();
    if (!m_options.login.isNull()) {
        const QString login = m_options.login, password = m_options.password;
        Modal::whenModalNamed(QStringLiteral("Form6"), [login, password](QWidget* w) {
            Modal::typeInto(w, QStringLiteral("Edit1"), login);
            Modal::typeInto(w, QStringLiteral("Edit2"), password);
            Modal::clickButton(w, QStringLiteral("Button1"));
        });
    }
    Form1->show();
    if (!QTest::qWaitForWindowExposed(Form1))
        return false;
    Form1->activateWindow();
    QTest::qWait(0);
    return Form1->isVisible();
}

TForm1* BoardFixture::board() const
{
    return Form1;
}

void BoardFixture::doubleClick(TForm1* board, int col, int row)
{
    auto* g = board->StringGrid1;
    const QPoint at = g->cellRect(col, row).center();
    QTest::mousePress(g->viewport(), Qt::LeftButton, {}, at);
    QTest::mouseRelease(g->viewport(), Qt::LeftButton, {}, at);
    QTest::mouseDClick(g->viewport(), Qt::LeftButton, {}, at);
    QTest::mouseRelease(g->viewport(), Qt::LeftButton, {}, at);
}

void BoardFixture::addBooking(int id, int room, const QDate& arrival, const QDate& departure, int otv,
                              const QString& client, const QString& tel)
{
    m_db->exec(QStringLiteral("insert into RES (ID, CLIENT, TEL, CORP, TURAG, VZROS, REB6, REB12, ZALS_ID, DATE1, "
                              "DATE2, PRICE, SKIDKA, OPLATA, GARANTY, OTV_ID) values (%1, '%2', '%3', null, null, 1, "
                              "0, 0, %4, '%5', '%6', 1000, 0, 1000, null, %7)")
                   .arg(id)
                   .arg(QString(client).replace("'", "''"), QString(tel).replace("'", "''"))
                   .arg(room)
                   .arg(arrival.toString("dd.MM.yyyy"), departure.toString("dd.MM.yyyy"))
                   .arg(otv));
}

#include "DesktopRun.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QStandardPaths>
#include <QTest>
#include <QThread>

#include <csignal>
#include <sys/types.h>

namespace {

constexpr int kPollMs = 50;
// Qt's default on X11; an earlier click must lie further back than this.
constexpr int kDoubleClickMs = 400;

QString tool(const char* name)
{
    return QStandardPaths::findExecutable(QLatin1String(name));
}

} // namespace

DesktopRun::DesktopRun(const QString& executable)
{
    m_exe = m_dir.filePath(QStringLiteral("hotel"));
    QFile::copy(executable, m_exe);
    QFile::setPermissions(m_exe, QFile::ReadOwner | QFile::WriteOwner | QFile::ExeOwner);
}

DesktopRun::~DesktopRun()
{
    for (QProcess* p : {&m_program, &m_display}) {
        if (p->state() != QProcess::NotRunning) {
            p->kill();
            p->waitForFinished(5000);
        }
    }
}

void DesktopRun::writeConf(const QString& text)
{
    QFile f(m_dir.filePath(QStringLiteral("conf.ini")));
    f.open(QIODevice::WriteOnly | QIODevice::Truncate);
    f.write(text.toUtf8());
}

bool DesktopRun::start()
{
    for (const char* name : {"Xvfb", "xdotool", "import"}) {
        if (tool(name).isEmpty()) {
            m_problem = QStringLiteral("%1 is not installed (scripts/deps x11)").arg(QLatin1String(name));
            return false;
        }
    }
    // Xvfb picks a free display and writes its number once it accepts clients.
    m_display.setProgram(tool("Xvfb"));
    m_display.setArguments({"-displayfd", "1", "-screen", "0", "1600x1000x24", "-nolisten", "tcp"});
    m_display.setStandardErrorFile(QProcess::nullDevice());
    m_display.start();
    QByteArray number;
    QElapsedTimer waited;
    waited.start();
    while (!number.contains('\n') && waited.elapsed() < 20000) {
        m_display.waitForReadyRead(kPollMs);
        number += m_display.readAllStandardOutput();
        if (m_display.state() == QProcess::NotRunning)
            break;
    }
    if (!number.contains('\n')) {
        m_problem = QStringLiteral("Xvfb did not start");
        return false;
    }
    m_displayName = QLatin1Char(':') + QString::fromLatin1(number.trimmed());

    QProcessEnvironment e = QProcessEnvironment::systemEnvironment();
    e.insert("DISPLAY", m_displayName);
    e.insert("QT_QPA_PLATFORM", "xcb");
    e.remove("WAYLAND_DISPLAY");
    e.insert("HOTEL_UNATTENDED_LOG", m_dir.filePath(QStringLiteral("boxes.log")));
    m_program.setProcessEnvironment(e);
    m_program.setWorkingDirectory(QDir::rootPath());
    m_program.setProcessChannelMode(QProcess::MergedChannels);
    m_program.start(m_exe, {});
    if (!m_program.waitForStarted(10000)) {
        m_problem = QStringLiteral("the program did not start: ") + m_program.errorString();
        return false;
    }
    return true;
}

bool DesktopRun::xdo(const QStringList& args, QString* output)
{
    QProcess p;
    QProcessEnvironment e = QProcessEnvironment::systemEnvironment();
    e.insert("DISPLAY", m_displayName);
    p.setProcessEnvironment(e);
    p.start(tool("xdotool"), args);
    const bool ok = p.waitForFinished(10000) && p.exitStatus() == QProcess::NormalExit && p.exitCode() == 0;
    if (output)
        *output = QString::fromUtf8(p.readAllStandardOutput()).trimmed();
    return ok;
}

bool DesktopRun::keys(const QStringList& names)
{
    return xdo(QStringList{"key", "--delay", "30"} + names);
}

bool DesktopRun::click(const QPoint& at)
{
    return xdo({"mousemove", QString::number(at.x()), QString::number(at.y()), "click", "1"});
}

bool DesktopRun::doubleClick(const QPoint& at)
{
    if (!xdo({"mousemove", QString::number(at.x()), QString::number(at.y())}))
        return false;
    QThread::msleep(2 * kDoubleClickMs);
    return xdo({"click", "--repeat", "2", "--delay", "60", "1"});
}

namespace {

QStringList searchFor(const QString& title)
{
    return {"search", "--onlyvisible", "--name", QLatin1Char('^') + title + QLatin1Char('$')};
}

} // namespace

bool DesktopRun::poll(int timeoutMs, bool whileRunning, const std::function<bool()>& done)
{
    QElapsedTimer t;
    t.start();
    do {
        if (done())
            return true;
        if (whileRunning && m_program.state() == QProcess::NotRunning)
            return false;
        QThread::msleep(kPollMs);
    } while (t.elapsed() < timeoutMs);
    return false;
}

bool DesktopRun::waitForWindow(const QString& title, int timeoutMs)
{
    return poll(timeoutMs, true, [&] { return xdo(searchFor(title)); });
}

bool DesktopRun::waitWhileWindow(const QString& title, int timeoutMs)
{
    return poll(timeoutMs, false, [&] { return !xdo(searchFor(title)); });
}

bool DesktopRun::focus(const QString& title, int timeoutMs)
{
    // Without a window manager nobody else gives the keyboard to a new window.
    return poll(timeoutMs, true, [&] { return xdo(searchFor(title) + QStringList{"windowfocus", "--sync"}); });
}

QImage DesktopRun::screen()
{
    const QString file = m_dir.filePath(QStringLiteral("screen.png"));
    QFile::remove(file);
    QProcess p;
    p.start(tool("import"), {"-display", m_displayName, "-window", "root", file});
    p.waitForFinished(20000);
    return QImage(file);
}

bool DesktopRun::holds(const QString& file) const
{
    const QString wanted = QFileInfo(file).canonicalFilePath();
    const QDir fds(QStringLiteral("/proc/%1/fd").arg(m_program.processId()));
    for (const QFileInfo& fd : fds.entryInfoList(QDir::Files | QDir::System | QDir::NoDotAndDotDot))
        if (fd.symLinkTarget() == wanted)
            return true;
    return false;
}

void DesktopRun::sendSignal(int signalNumber)
{
    if (m_program.state() != QProcess::NotRunning)
        ::kill(pid_t(m_program.processId()), signalNumber);
}

void DesktopRun::stopDisplay()
{
    m_display.terminate();
    m_display.waitForFinished(5000);
}

bool DesktopRun::waitForEnd(int timeoutMs)
{
    m_clock.start();
    while (m_program.state() != QProcess::NotRunning && m_clock.elapsed() < timeoutMs)
        m_program.waitForFinished(10);
    if (m_program.state() != QProcess::NotRunning)
        return false;
    m_ended = m_clock.elapsed();
    return true;
}

QStringList DesktopRun::boxes() const
{
    QFile f(m_dir.filePath(QStringLiteral("boxes.log")));
    if (!f.open(QIODevice::ReadOnly))
        return {};
    return QString::fromUtf8(f.readAll()).split(QLatin1Char('\n'), Qt::SkipEmptyParts);
}

QString DesktopRun::output()
{
    m_output += m_program.readAll();
    return QString::fromLocal8Bit(m_output);
}

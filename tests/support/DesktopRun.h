#pragma once

#include <QElapsedTimer>
#include <QImage>
#include <QPoint>
#include <QProcess>
#include <QString>
#include <QStringList>
#include <QTemporaryDir>

#include <functional>

// The real executable as a user meets it: copied into a folder of its own
// beside a conf.ini, started from another working directory on a display of
// its own (an Xvfb started here), its windows found and driven from outside
// with xdotool, the screen read back with ImageMagick's import. Message boxes
// are answered with their default button and logged (HOTEL_UNATTENDED_LOG).
// Whatever is still running when the object goes is killed.
class DesktopRun {
public:
    explicit DesktopRun(const QString& executable);
    ~DesktopRun();
    DesktopRun(const DesktopRun&) = delete;
    DesktopRun& operator=(const DesktopRun&) = delete;

    void writeConf(const QString& text);
    // The display, then the program; false with problem() telling why.
    bool start();
    const QString& problem() const { return m_problem; }
    qint64 pid() const { return m_program.processId(); }

    // A visible window with exactly this title, within the time.
    bool waitForWindow(const QString& title, int timeoutMs = 20000);
    // No visible window with this title any more, within the time.
    bool waitWhileWindow(const QString& title, int timeoutMs = 10000);
    // Gives the keyboard to the visible window with this title, as a window
    // manager would when it comes up.
    bool focus(const QString& title, int timeoutMs = 20000);

    // xdotool on the program's display.
    bool xdo(const QStringList& args, QString* output = nullptr);
    bool type(const QString& text) { return xdo({"type", "--delay", "20", text}); }
    bool keys(const QStringList& names);
    bool click(const QPoint& at);
    // Waits out the double-click interval first, so that an earlier click
    // cannot pair with the first of these two.
    bool doubleClick(const QPoint& at);

    // What the display shows now.
    QImage screen();

    // The program has the file open.
    bool holds(const QString& file) const;
    void sendSignal(int signalNumber);
    // The X server goes away under the program.
    void stopDisplay();
    // False when the program still runs after the time. elapsedMs() then
    // gives the time from the call to the end.
    bool waitForEnd(int timeoutMs);
    qint64 elapsedMs() const { return m_ended; }
    bool crashed() const { return m_program.exitStatus() == QProcess::CrashExit; }
    int exitCode() const { return m_program.exitCode(); }

    QStringList boxes() const;
    QString output();

private:
    // Until done() holds or the time is up; with whileRunning, also until the program ends.
    bool poll(int timeoutMs, bool whileRunning, const std::function<bool()>& done);
    QTemporaryDir m_dir;
    QString m_exe;
    QProcess m_display;
    QString m_displayName;
    QProcess m_program;
    QString m_problem;
    QElapsedTimer m_clock;
    qint64 m_ended = -1;
    QByteArray m_output;
};

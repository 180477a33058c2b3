#include "Modal.h"

#include <QAbstractButton>
#include <QAbstractSpinBox>
#include <QApplication>
#include <QComboBox>
#include <QDialog>
#include <QElapsedTimer>
#include <QLineEdit>
#include <QMessageBox>
#include <QPointer>
#include <QPushButton>
#include <QTimer>
#include <QWindow>

namespace Modal {

namespace {

using Match = std::function<bool(QWidget*)>;

QStringList g_failures;

QString describe(const QWidget* w)
{
    if (!w)
        return QStringLiteral("none");
    QString text = QString::fromLatin1(w->metaObject()->className());
    if (!w->objectName().isEmpty())
        text += QStringLiteral(" '%1'").arg(w->objectName());
    if (!w->windowTitle().isEmpty())
        text += QStringLiteral(" \"%1\"").arg(w->windowTitle());
    return text;
}

bool isUp(QWidget* w)
{
    return w->isVisible() && w->windowHandle() && w->windowHandle()->isExposed();
}

class Watch;
QList<QPointer<Watch>> g_watches;

class Watch final : public QObject {
public:
    enum State { Waiting, Acting, Guarding, Cleaning };

    Watch(Match match, Action action, int timeoutMs, QString wanted)
        : QObject(qApp), m_match(std::move(match)), m_action(std::move(action)),
          m_timeoutMs(timeoutMs), m_wanted(std::move(wanted))
    {
        g_watches.removeAll(QPointer<Watch>());
        g_watches.append(this);
        m_clock.start();
        connect(&m_timer, &QTimer::timeout, this, &Watch::tick);
        m_timer.start(10);
    }

    State state() const { return m_state; }
    bool targetGone() const { return !m_target || !m_target->isVisible(); }
    const QString& wanted() const { return m_wanted; }

private:
    void tick()
    {
        switch (m_state) {
        case Waiting: {
            QWidget* w = QApplication::activeModalWidget();
            if (w && isUp(w) && m_match(w)) {
                m_state = Acting;
                m_target = w;
                // The action may itself run a nested event loop; ticks meanwhile
                // see Acting and keep out.
                m_action(w);
                m_state = Guarding;
                m_clock.restart();
                return;
            }
            if (m_clock.elapsed() > m_timeoutMs) {
                fail(QStringLiteral("no modal window %1 within %2 ms (active: %3)")
                         .arg(m_wanted).arg(m_timeoutMs).arg(describe(w)));
                m_state = Cleaning;
                m_clock.restart();
                closeModals();
            }
            return;
        }
        case Acting:
            return;
        case Guarding:
            if (targetGone()) {
                finish();
            } else if (m_clock.elapsed() > m_timeoutMs) {
                fail(QStringLiteral("modal window %1 still open %2 ms after the action")
                         .arg(describe(m_target)).arg(m_timeoutMs));
                closeModals();
                finish();
            }
            return;
        case Cleaning:
            // Whatever the code under test shows next would hang it as well.
            closeModals();
            if (m_clock.elapsed() > m_timeoutMs)
                finish();
            return;
        }
    }

    void finish()
    {
        m_timer.stop();
        deleteLater();
    }

    Match m_match;
    Action m_action;
    int m_timeoutMs;
    QString m_wanted;
    State m_state = Waiting;
    QPointer<QWidget> m_target;
    QElapsedTimer m_clock;
    QTimer m_timer;
};

void watch(Match match, Action action, int timeoutMs, QString wanted)
{
    new Watch(std::move(match), std::move(action), timeoutMs, std::move(wanted));
}

QString buttonText(const QAbstractButton* b)
{
    QString text = b->text();
    text.remove(QLatin1Char('&'));
    return text;
}

bool click(QAbstractButton* button, const QString& what)
{
    if (!button) {
        fail(QStringLiteral("no button %1").arg(what));
        return false;
    }
    if (!button->isEnabled()) {
        fail(QStringLiteral("button %1 is disabled").arg(what));
        return false;
    }
    QTest::mouseClick(button, Qt::LeftButton);
    return true;
}

QWidget* keyTarget(QWidget* root)
{
    QWidget* focus = root->focusWidget();
    return focus ? focus : root;
}

} // namespace

void whenModal(Action action, int timeoutMs)
{
    watch([](QWidget*) { return true; }, std::move(action), timeoutMs, QStringLiteral("(any)"));
}

void whenModalOfClass(const char* className, Action action, int timeoutMs)
{
    const QByteArray name(className);
    watch([name](QWidget* w) { return w->inherits(name.constData()); }, std::move(action),
          timeoutMs, QStringLiteral("of class %1").arg(QString::fromLatin1(name)));
}

void whenModalNamed(const QString& objectName, Action action, int timeoutMs)
{
    watch([objectName](QWidget* w) { return w->objectName() == objectName; }, std::move(action),
          timeoutMs, QStringLiteral("named '%1'").arg(objectName));
}

void whenNewModal(Action action, int timeoutMs)
{
    QPointer<QWidget> before = QApplication::activeModalWidget();
    const bool hadOne = !before.isNull();
    const QString wanted = QStringLiteral("other than %1").arg(describe(before));
    watch(
        [before, hadOne](QWidget* w) {
            // A window destroyed since counts as gone: any modal one is new.
            return !hadOne || before.isNull() || w != before.data();
        },
        std::move(action), timeoutMs, wanted);
}

void fail(const QString& message)
{
    qWarning("Modal: %s", qPrintable(message));
    g_failures.append(message);
}

QStringList failures()
{
    return g_failures;
}

QString takeProblems()
{
    QStringList problems = g_failures;
    g_failures.clear();
    for (const QPointer<Watch>& w : std::as_const(g_watches)) {
        if (!w)
            continue;
        switch (w->state()) {
        case Watch::Waiting:
            problems.append(QStringLiteral("awaited modal window %1 never came").arg(w->wanted()));
            delete w.data();
            break;
        case Watch::Cleaning:
            delete w.data();
            break;
        case Watch::Guarding:
            if (w->targetGone())
                delete w.data();
            break;
        case Watch::Acting:
            break;
        }
    }
    g_watches.removeAll(QPointer<Watch>());
    return problems.join(QStringLiteral("; "));
}

int waitingCount()
{
    int n = 0;
    for (const QPointer<Watch>& w : std::as_const(g_watches)) {
        if (w && w->state() == Watch::Waiting)
            ++n;
    }
    return n;
}

void closeModals()
{
    QWidget* previous = nullptr;
    for (int guard = 0; guard < 32; ++guard) {
        QWidget* w = QApplication::activeModalWidget();
        if (!w || w == previous)
            return;
        previous = w;
        if (auto* dialog = qobject_cast<QDialog*>(w))
            dialog->reject();
        else
            w->close();
    }
}

bool typeInto(QWidget* root, const QString& objectName, const QString& text)
{
    QWidget* w = root ? root->findChild<QWidget*>(objectName) : nullptr;
    QWidget* target = nullptr;
    if (auto* edit = qobject_cast<QLineEdit*>(w)) {
        edit->clear();
        target = edit;
    } else if (auto* spin = qobject_cast<QAbstractSpinBox*>(w)) {
        spin->selectAll();
        target = spin;
    } else if (auto* combo = qobject_cast<QComboBox*>(w); combo && combo->lineEdit()) {
        combo->lineEdit()->clear();
        target = combo->lineEdit();
    }
    if (!target) {
        fail(QStringLiteral("no text field '%1' in %2").arg(objectName, describe(root)));
        return false;
    }
    if (!target->isEnabled()) {
        fail(QStringLiteral("text field '%1' is disabled").arg(objectName));
        return false;
    }
    // QTest::keyClicks takes Latin-1 only; names here are Cyrillic. Qt's key
    // code of a printable character is its upper-case code point.
    for (const QChar ch : text)
        QTest::sendKeyEvent(QTest::Click, target, Qt::Key(ch.toUpper().unicode()), QString(ch),
                            Qt::NoModifier);
    return true;
}

bool clickButton(QWidget* root, const QString& nameOrText)
{
    if (!root) {
        fail(QStringLiteral("no window to click '%1' in").arg(nameOrText));
        return false;
    }
    const QList<QAbstractButton*> buttons = root->findChildren<QAbstractButton*>();
    QAbstractButton* found = nullptr;
    for (QAbstractButton* b : buttons) {
        if (b->isVisible() && b->objectName() == nameOrText) {
            found = b;
            break;
        }
    }
    if (!found) {
        QString wanted = nameOrText;
        wanted.remove(QLatin1Char('&'));
        for (QAbstractButton* b : buttons) {
            if (b->isVisible() && buttonText(b) == wanted) {
                found = b;
                break;
            }
        }
    }
    return click(found, QStringLiteral("'%1' in %2").arg(nameOrText, describe(root)));
}

bool clickStandardButton(QWidget* root, QDialogButtonBox::StandardButton which)
{
    QAbstractButton* found = nullptr;
    if (auto* box = qobject_cast<QMessageBox*>(root)) {
        found = box->button(QMessageBox::StandardButton(int(which)));
    } else if (root) {
        for (QDialogButtonBox* bb : root->findChildren<QDialogButtonBox*>()) {
            if ((found = bb->button(which)))
                break;
        }
    }
    return click(found, QStringLiteral("0x%1 in %2").arg(int(which), 0, 16).arg(describe(root)));
}

void pressEnter(QWidget* root)
{
    if (root)
        QTest::keyClick(keyTarget(root), Qt::Key_Return);
}

void pressEscape(QWidget* root)
{
    if (root)
        QTest::keyClick(keyTarget(root), Qt::Key_Escape);
}

} // namespace Modal

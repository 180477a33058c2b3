#pragma once

#include <QDialogButtonBox>
#include <QString>
#include <QStringList>
#include <QTest>
#include <functional>

class QWidget;

// Acting inside real modal windows. A test schedules what to do with the
// window, then calls the code that runs exec(); the action runs from the
// event loop of that exec() once the window is up. Nothing here sleeps.
//
// Failures cannot abort the test from inside an event loop, so they are
// collected; MODAL_VERIFY() at the end of the test reports them together with
// any awaited window that never came. As a safety net a watch that gives up
// closes the modal windows it finds, so a test fails instead of hanging.
namespace Modal {

using Action = std::function<void(QWidget* modal)>;

// The next modal window that is shown and exposed.
void whenModal(Action action, int timeoutMs = 10000);
// ...one that inherits the class (say "QMessageBox").
void whenModalOfClass(const char* className, Action action, int timeoutMs = 10000);
// ...one with this objectName.
void whenModalNamed(const QString& objectName, Action action, int timeoutMs = 10000);
// ...one other than the modal window active now (a box over a dialog).
void whenNewModal(Action action, int timeoutMs = 10000);

// Records a failure; for use inside actions.
void fail(const QString& message);
QStringList failures();
// Failures so far plus watches still waiting (which are dropped), then
// forgets them; empty when all went well.
QString takeProblems();
// Watches not yet matched.
int waitingCount();

// Rejects (or closes) modal windows, topmost first.
void closeModals();

// Types into the line edit (spin box, editable combo box) named objectName
// inside root, replacing its text.
bool typeInto(QWidget* root, const QString& objectName, const QString& text);
// Clicks the visible, enabled button inside root whose objectName or text
// (mnemonic '&' ignored) is nameOrText.
bool clickButton(QWidget* root, const QString& nameOrText);
// Clicks a standard button of a QMessageBox or of a QDialogButtonBox inside root.
bool clickStandardButton(QWidget* root, QDialogButtonBox::StandardButton which);
// Sends the key to the widget inside root that has (or last had) focus.
void pressEnter(QWidget* root);
void pressEscape(QWidget* root);

} // namespace Modal

#define MODAL_VERIFY()                                                  \
    do {                                                                \
        const QString modalProblems_ = Modal::takeProblems();           \
        QVERIFY2(modalProblems_.isEmpty(), qPrintable(modalProblems_)); \
    } while (false)

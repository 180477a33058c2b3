#pragma once

#include "platform/AppError.h"

#include <QString>
#include <utility>

namespace app {

// The general error report: the message (with a full stop appended when its
// last character's code is above that of the full stop), the program's title
// as caption, the stop icon, OK.
void reportError(const QString& message);

// The same report, shown once control is back in an event loop: painting and
// other places that must not run a modal box use it. A message that is still
// waiting is not queued twice.
void reportErrorQueued(const QString& message);

QString withFullStop(const QString& message);

// Every window handler runs inside this: a failure of the program's error
// type ends the handler and is reported; the program goes on.
//
// Handlers are guarded where the toolkit calls them (the connection, the
// event override), never inside their own bodies: a handler that another
// handler calls directly must stop its caller when it fails. The board's
// double-click runs the editor's Button1Click and must not go on to fill and
// show the editor after that failed.
template <class F>
bool guarded(F&& handler)
{
    try {
        std::forward<F>(handler)();
        return true;
    } catch (const platform::AppError& e) {
        reportError(e.message());
        return false;
    }
}

// A slot that runs object's handler inside guarded().
template <class T>
auto guardedSlot(T* object, void (T::*handler)())
{
    return [object, handler] { guarded([object, handler] { (object->*handler)(); }); };
}

// The request to end the program: queued; every running modal dialog ends as
// cancelled when its loop sees it, then the main loop ends. Also holds when
// made before the main loop has started (main checks endRequested()).
void requestEnd();
bool endRequested();

// What the program ends with: 0, unless start-up met a fault that only the
// administrator can mend (a half-given database login in conf.ini).
void setExitStatus(int status);
int exitStatus();
void resetEndRequestForTests();

} // namespace app

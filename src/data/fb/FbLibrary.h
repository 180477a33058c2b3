#pragma once

// Internal to the data layer, like every header in fb/: the client library's types stay here.
#include "data/fb/Handle.h"

#include <firebird/Interface.h>

#include <QString>

namespace data::fb {

// The client library, loaded at run time. Fails with AppError when it cannot be loaded.
class Library {
public:
    static Library& instance();

    Firebird::IMaster* master() const { return m_master; }
    Firebird::IProvider* provider() const { return m_provider; }
    Firebird::IUtil* util() const { return m_util; }

private:
    Library();
    Firebird::IMaster* m_master = nullptr;
    Firebird::IProvider* m_provider = nullptr;
    Firebird::IUtil* m_util = nullptr;
};

// Loads the library now, so that a missing library shows before any window.
void ensureLoaded();

// A status wrapper that turns every failure into platform::AppError carrying
// the library's formatted text and the first ISC code.
class Status {
public:
    Status();
    Status(const Status&) = delete;
    Status& operator=(const Status&) = delete;

    Firebird::ThrowStatusWrapper* operator&() { return &m_wrapper; }

private:
    Handle<Firebird::IStatus> m_status;
    Firebird::ThrowStatusWrapper m_wrapper;
};

// Converts a caught FbException into AppError (rethrown).
[[noreturn]] void rethrow(const Firebird::FbException& e);
// Inside a catch block: rethrows the exception being handled, an FbException as AppError.
[[noreturn]] void rethrowCurrent();

QString formatStatus(const Firebird::IStatus* status);
long firstCode(const Firebird::IStatus* status);

} // namespace data::fb

#pragma once

#include <QString>
#include <stdexcept>

namespace platform {

// The one failure type of the program. It carries the text the user is shown
// (the server's, the client library's or the program's own) and, for failures
// of the database, the first ISC error code so that callers can tell a lost
// connection from a rejected statement.
class AppError : public std::exception {
public:
    explicit AppError(QString message, long iscCode = 0);

    const QString& message() const noexcept { return m_message; }
    long iscCode() const noexcept { return m_iscCode; }
    const char* what() const noexcept override { return m_utf8.constData(); }

private:
    QString m_message;
    long m_iscCode;
    QByteArray m_utf8;
};

// "'%s' is not a valid integer value"
[[noreturn]] void throwNotInteger(const QString& text);

} // namespace platform

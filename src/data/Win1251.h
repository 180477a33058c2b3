#pragma once

#include <QByteArray>
#include <QString>

// Text travels to and from the server in Windows-1251, the database's code
// page, so that other clients of the same database read it.
namespace data {

QString fromWin1251(const char* bytes, qsizetype length);
inline QString fromWin1251(const QByteArray& bytes) { return fromWin1251(bytes.constData(), bytes.size()); }

// Fails with AppError naming the first character Windows-1251 cannot hold,
// U+0000 included; nothing is ever replaced by "?".
QByteArray toWin1251(const QString& text);

} // namespace data

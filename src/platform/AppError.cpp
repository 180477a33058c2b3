#include "platform/AppError.h"

namespace platform {

AppError::AppError(QString message, long iscCode)
    : m_message(std::move(message)), m_iscCode(iscCode), m_utf8(m_message.toUtf8())
{
}

void throwNotInteger(const QString& text)
{
    throw AppError(QStringLiteral("'%1' is not a valid integer value").arg(text));
}

} // namespace platform

#include "data/fb/FbLibrary.h"

#include "data/Win1251.h"
#include "platform/AppError.h"

#include <QStringDecoder>

#include <cstring>
#include <dlfcn.h>
#include <list>
#include <vector>

using namespace Firebird;

namespace data::fb {

namespace {

QByteArray libraryName()
{
    // Installers and tests may point to another build of the library.
    const QByteArray env = qgetenv("HOTEL_FBCLIENT");
    return env.isEmpty() ? QByteArray("libfbclient.so.2") : env;
}

} // namespace

Library& Library::instance()
{
    static Library library;
    return library;
}

Library::Library()
{
    const QByteArray name = libraryName();
    void* handle = dlopen(name.constData(), RTLD_NOW | RTLD_GLOBAL);
    if (!handle) {
        throw platform::AppError(QStringLiteral("Unable to load the database client library %1: %2")
                                     .arg(QString::fromLocal8Bit(name), QString::fromLocal8Bit(dlerror())));
    }
    using GetMaster = IMaster* (*)();
    auto getMaster = reinterpret_cast<GetMaster>(dlsym(handle, "fb_get_master_interface"));
    if (!getMaster) {
        throw platform::AppError(
            QStringLiteral("%1 is not a Firebird 3 client library (fb_get_master_interface is missing)")
                .arg(QString::fromLocal8Bit(name)));
    }
    m_master = getMaster();
    m_provider = m_master->getDispatcher();
    m_util = m_master->getUtilInterface();
}

void ensureLoaded()
{
    Library::instance();
}

Status::Status() : m_status(Library::instance().master()->getStatus()), m_wrapper(m_status.get()) {}

namespace {

// An argument the library quotes in its text: object names arrive in UTF-8,
// stored data (a key value, say) in the database's Windows-1251, since the
// connection names no character set. Made UTF-8 either way.
QByteArray utf8Argument(const char* text, size_t length)
{
    const QByteArray bytes(text, qsizetype(length));
    QStringDecoder utf8(QStringDecoder::Utf8);
    const QString decoded = utf8.decode(bytes);
    if (!utf8.hasError())
        return bytes;
    return fromWin1251(bytes).toUtf8();
}

} // namespace

QString formatStatus(const IStatus* status)
{
    // The same vector with every text argument in UTF-8; the texts are kept
    // alive here until the library has formatted them.
    const intptr_t* errors = const_cast<IStatus*>(status)->getErrors();
    std::vector<intptr_t> vector;
    std::list<QByteArray> texts;
    auto keep = [&texts](const char* text, size_t length) {
        texts.push_back(utf8Argument(text, length));
        return reinterpret_cast<intptr_t>(texts.back().constData());
    };
    for (const intptr_t* p = errors; p && *p != isc_arg_end;) {
        const intptr_t type = *p++;
        vector.push_back(type);
        switch (type) {
        case isc_arg_cstring: {
            const auto length = size_t(*p++);
            const auto* text = reinterpret_cast<const char*>(*p++);
            vector.back() = isc_arg_string;
            vector.push_back(keep(text, length));
            break;
        }
        case isc_arg_string:
        case isc_arg_interpreted:
        case isc_arg_sql_state: {
            const auto* text = reinterpret_cast<const char*>(*p++);
            vector.push_back(keep(text, text ? std::strlen(text) : 0));
            break;
        }
        default:
            vector.push_back(*p++);
            break;
        }
    }
    vector.push_back(isc_arg_end);

    IStatus* copy = Library::instance().master()->getStatus();
    copy->setErrors(vector.data());
    char buffer[4096];
    Library::instance().util()->formatStatus(buffer, sizeof buffer, copy);
    copy->dispose();
    return QString::fromUtf8(buffer).trimmed();
}

long firstCode(const IStatus* status)
{
    const intptr_t* errors = const_cast<IStatus*>(status)->getErrors();
    if (errors && errors[0] == isc_arg_gds)
        return static_cast<long>(errors[1]);
    return 0;
}

void rethrow(const FbException& e)
{
    throw platform::AppError(formatStatus(e.getStatus()), firstCode(e.getStatus()));
}

void rethrowCurrent()
{
    try {
        throw;
    } catch (const FbException& e) {
        rethrow(e);
    }
}

} // namespace data::fb

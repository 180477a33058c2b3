#include "data/fb/FbLibrary.h"

#include "platform/AppError.h"

#include <dlfcn.h>

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

Status::Status()
    : m_status(Library::instance().master()->getStatus()), m_wrapper(m_status)
{
}

Status::~Status()
{
    m_status->dispose();
}

QString formatStatus(const IStatus* status)
{
    char buffer[2048];
    Library::instance().util()->formatStatus(buffer, sizeof buffer, const_cast<IStatus*>(status));
    // The library's texts are ASCII apart from object names, which travel in
    // the database's code page.
    return QString::fromLocal8Bit(buffer).trimmed();
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

} // namespace data::fb

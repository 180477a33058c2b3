#include "platform/Dialogs.h"

namespace platform {

namespace {

class HeadlessDialogs final : public DialogProvider {
public:
    MsgButton message(const MessageRequest& request) override { return request.defaultButton; }
    bool printDialog(QPrinter&) override { return false; }
};

HeadlessDialogs g_headless;
DialogProvider* g_provider = nullptr;

} // namespace

DialogProvider* dialogs()
{
    return g_provider ? g_provider : &g_headless;
}

void setDialogProvider(DialogProvider* provider)
{
    g_provider = provider;
}

MsgButton showMessage(const MessageRequest& request)
{
    return dialogs()->message(request);
}

} // namespace platform

#pragma once

#include "platform/Dialogs.h"

namespace platform {

// The program's dialogs: a QMessageBox and a QPrintDialog over whatever window
// is active (a modal one first).
class QtDialogs final : public DialogProvider {
public:
    MsgButton message(const MessageRequest& request) override;
    bool printDialog(QPrinter& printer) override;
};

} // namespace platform

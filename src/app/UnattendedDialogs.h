#pragma once

#include "platform/Dialogs.h"

#include <QString>

namespace app {

// For runs nobody watches (installation checks, whole-program tests): every
// message box is written as one line "caption|icon|text" to a file and
// answered with its default button; the print dialog is cancelled.
// main installs it when HOTEL_UNATTENDED_LOG names the file.
class UnattendedDialogs final : public platform::DialogProvider {
public:
    explicit UnattendedDialogs(QString logFile);
    platform::MsgButton message(const platform::MessageRequest& request) override;
    bool printDialog(QPrinter& printer) override;

private:
    QString m_logFile;
};

} // namespace app

#pragma once

#include <QString>
#include <functional>

class QPrinter;

// Message boxes and the print dialog go through one interface, so that tests
// see what a user would see and answer it. The real dialogs are installed by
// the program (platform/ui/QtDialogs); nothing here needs QtWidgets.
namespace platform {

enum class MsgIcon { None, Information, Warning, Question, Error };

enum MsgButton : int { NoButton = 0, Ok = 1, Yes = 2, No = 4 };

struct MessageRequest {
    QString caption;
    QString text;
    MsgIcon icon = MsgIcon::None;
    int buttons = Ok;           // MsgButton flags
    MsgButton defaultButton = Ok;
};

class DialogProvider {
public:
    virtual ~DialogProvider() = default;
    // Shows a modal message box; returns the button chosen.
    virtual MsgButton message(const MessageRequest& request) = 0;
    // Shows the print dialog for the printer; false when the user cancels.
    virtual bool printDialog(QPrinter& printer) = 0;
};

// The provider in use; none installed means every box answers its default
// button and the print dialog is cancelled (headless use).
DialogProvider* dialogs();
void setDialogProvider(DialogProvider* provider);

MsgButton showMessage(const MessageRequest& request);

} // namespace platform

#include "app/CommandLine.h"
#include "app/ErrorReport.h"
#include "program/Program.h"
#include "app/UnattendedDialogs.h"
#include "board/Main.h"
#include "platform/AppError.h"
#include "platform/Dialogs.h"
#include "platform/ui/QtDialogs.h"

#include <QApplication>
#include <memory>

int main(int argc, char* argv[])
{
    // Answered without a display, before the toolkit looks for one.
    if (const std::optional<int> status = app::runInfoOption(argc, argv))
        return *status;

    QApplication application(argc, argv);
    // The program ends when the board closes or the end is requested, not when
    // the sign-in dialog closes before the board is on screen.
    application.setQuitOnLastWindowClosed(false);
    program::Program program(application);

    platform::QtDialogs dialogs;
    std::unique_ptr<app::UnattendedDialogs> unattended;
    if (const QString log = qEnvironmentVariable("HOTEL_UNATTENDED_LOG"); !log.isEmpty()) {
        unattended = std::make_unique<app::UnattendedDialogs>(log);
        platform::setDialogProvider(unattended.get());
    } else {
        platform::setDialogProvider(&dialogs);
    }

    try {
        program.createDataModule();
    } catch (const platform::AppError& e) {
        platform::showMessage({QStringLiteral("Application Error"), e.message(), platform::MsgIcon::Error,
                               platform::Ok, platform::Ok});
        return 1;
    }
    program.createWindows();

    Form1->show();
    // A request to end made during the first show (the sign-in's "Отмена")
    // must not be lost: the main loop then never starts.
    if (!app::endRequested())
        application.exec();
    return app::exitStatus();
}

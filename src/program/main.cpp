#include "app/CommandLine.h"
#include "app/ErrorReport.h"
#include "program/Program.h"
#include "app/UnattendedDialogs.h"
#include "board/Main.h"
#include "data/UnDM.h"
#include "platform/AppError.h"
#include "platform/Dialogs.h"
#include "platform/EndSignals.h"
#include "platform/ui/QtDialogs.h"

#include <QApplication>
#include <cstdlib>
#include <memory>

namespace {

// Runs only when the process ends without the main loop's return: on the
// normal way out the data module is gone by then.
void closeConnectionAtExit()
{
    data::TDM* dm = data::DM;
    if (!dm)
        return;
    // The windows are left as they are: nothing may be drawn any more.
    for (data::Dataset* d : {&dm->Quk, &dm->IBQuery2, &dm->qAll, &dm->tabZals, &dm->tabIm, &dm->tabOtv})
        d->blockSignals(true);
    dm->DB.closeQuietly();
}

} // namespace

int main(int argc, char* argv[])
{
    // Answered without a display, before the toolkit looks for one.
    if (const std::optional<int> status = app::runInfoOption(argc, argv))
        return *status;

    QApplication application(argc, argv);
    // The program ends when the board closes or the end is requested, not when
    // the sign-in dialog closes before the board is on screen.
    application.setQuitOnLastWindowClosed(false);
    // Ctrl+C, kill and the end of the desktop session end the program as its
    // end request does: open dialogs cancelled, the connection closed with its
    // transactions committed, exit status 0.
    platform::EndSignals endSignals;
    QObject::connect(&endSignals, &platform::EndSignals::received, [] { app::requestEnd(); });
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
    // The toolkit ends the process itself when the display connection breaks;
    // the database is released first. Registered after the first attach, so
    // that it runs before the clean-up of what the client library loaded for it.
    std::atexit(&closeConnectionAtExit);

    Form1->show();
    // A request to end made during the first show (the sign-in's "Отмена")
    // must not be lost: the main loop then never starts.
    if (!app::endRequested())
        application.exec();
    return app::exitStatus();
}

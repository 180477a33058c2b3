#include "app/ErrorReport.h"
#include "app/UnattendedDialogs.h"
#include "board/Main.h"
#include "booking/Unit4.h"
#include "data/UnDM.h"
#include "platform/AppError.h"
#include "platform/Dialogs.h"
#include "platform/Regional.h"
#include "platform/ui/QtDialogs.h"
#include "signin/Login.h"
#include "staff/Unit5.h"

#include <QApplication>
#include <QFont>
#include <QFontDatabase>
#include <QLibraryInfo>
#include <QLocale>
#include <QTranslator>
#include <memory>

int main(int argc, char* argv[])
{
    QApplication application(argc, argv);
    // The program ends when the board closes or the end is requested, not when
    // the sign-in dialog closes before the board is on screen.
    application.setQuitOnLastWindowClosed(false);
    // Tahoma where installed; otherwise a free font of about its width with Cyrillic.
    if (!QFontDatabase::families().contains(QStringLiteral("Tahoma")))
        QFont::insertSubstitutions(QStringLiteral("Tahoma"),
                                   {QStringLiteral("Liberation Sans"), QStringLiteral("DejaVu Sans"),
                                    QStringLiteral("Noto Sans")});
    // The calendar, the pickers and the standard buttons speak the user's
    // language: the regional settings, Russian where the system has none.
    QLocale::setDefault(platform::regionalLocale());
    QTranslator qtTexts;
    if (qtTexts.load(platform::regionalLocale(), QStringLiteral("qtbase"), QStringLiteral("_"),
                     QLibraryInfo::path(QLibraryInfo::TranslationsPath)))
        application.installTranslator(&qtTexts);
    platform::QtDialogs dialogs;
    std::unique_ptr<app::UnattendedDialogs> unattended;
    if (const QString log = qEnvironmentVariable("HOTEL_UNATTENDED_LOG"); !log.isEmpty()) {
        unattended = std::make_unique<app::UnattendedDialogs>(log);
        platform::setDialogProvider(unattended.get());
    } else {
        platform::setDialogProvider(&dialogs);
    }

    std::unique_ptr<data::TDM> dm;
    try {
        dm = std::make_unique<data::TDM>();
    } catch (const platform::AppError& e) {
        platform::showMessage({QStringLiteral("Application Error"), e.message(), platform::MsgIcon::Error,
                               platform::Ok, platform::Ok});
        return 1;
    }
    data::DM = dm.get();

    // Created once, in this order, and kept until the end.
    auto form1 = std::make_unique<TForm1>();
    Form1 = form1.get();
    auto form4 = std::make_unique<TForm4>();
    Form4 = form4.get();
    auto form2 = std::make_unique<TForm2>();
    Form2 = form2.get();
    auto form6 = std::make_unique<TForm6>();
    Form6 = form6.get();

    Form1->show();
    // A request to end made during the first show (the sign-in's "Отмена")
    // must not be lost: the main loop then never starts.
    if (!app::endRequested())
        application.exec();

    form6.reset();
    form2.reset();
    form4.reset();
    form1.reset();
    data::DM = nullptr;
    dm.reset();
    return 0;
}

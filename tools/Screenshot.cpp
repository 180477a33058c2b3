// Starts the whole program as src/app/main.cpp does, on the conf.ini of a
// given folder, signs in as admin, selects a booked cell and saves the main
// window (menu bar included) as an image.
//   hotel-screenshot <folder-with-conf.ini> <output.png>

#include "DialogRecorder.h"
#include "Modal.h"

#include "app/ErrorReport.h"
#include "program/Program.h"
#include "board/Main.h"
#include "booking/Unit4.h"
#include "data/UnDM.h"
#include "platform/AppError.h"
#include "platform/ExeDir.h"
#include "platform/ui/BoardGrid.h"
#include "signin/Login.h"
#include "staff/Unit5.h"

#include <QApplication>
#include <QLineEdit>
#include <QTest>
#include <cstdio>
#include <memory>

namespace {

void complain(const QString& text)
{
    std::fprintf(stderr, "hotel-screenshot: %s\n", qPrintable(text));
}

// The first cell in view where a booking starts, row by row; the details
// panel then shows it. False when the view holds none; a failed move throws.
bool selectBookedCell(TForm1* board)
{
    platform::BoardGrid* grid = board->StringGrid1;
    const int first = grid->leftCol();
    const int last = std::min(grid->colCount() - 1, first + grid->visibleColCount() - 1);
    for (int row = 1; row < grid->rowCount(); ++row)
        for (int col = first; col <= last; ++col) {
            board->setCurrentRow(row);
            board->setCurrentCol(col);
            if (!board->Edit1->text().isEmpty())
                return true;
        }
    return false;
}

} // namespace

int main(int argc, char* argv[])
{
    QApplication application(argc, argv);
    if (argc != 3) {
        complain(QStringLiteral("usage: hotel-screenshot <folder-with-conf.ini> <output.png>"));
        return 2;
    }
    const QString folder = QString::fromLocal8Bit(argv[1]);
    const QString output = QString::fromLocal8Bit(argv[2]);
    platform::setExecutableFolderForTests(folder);

    application.setQuitOnLastWindowClosed(false);
    program::Program program(application);
    // Nobody answers boxes here: they are recorded, and any of them spoils the picture.
    DialogRecorder dialogs;

    try {
        program.createDataModule();
    } catch (const platform::AppError& e) {
        complain(e.message());
        return 1;
    }
    program.createWindows();

    Modal::whenModalNamed(QStringLiteral("Form6"), [](QWidget* w) {
        Modal::typeInto(w, QStringLiteral("Edit1"), QStringLiteral("admin"));
        Modal::typeInto(w, QStringLiteral("Edit2"), QStringLiteral("admin"));
        Modal::clickButton(w, QStringLiteral("Button1"));
    });
    Form1->move(0, 0);
    Form1->resize(1100, 600);
    Form1->show();

    int status = 0;
    if (app::endRequested()) {
        complain(QStringLiteral("the program asked to end during start-up"));
        status = 1;
    } else if (!QTest::qWaitForWindowExposed(Form1)) {
        complain(QStringLiteral("the board never came on screen"));
        status = 1;
    } else {
        // The first activation jumps to today; it must be over before a cell is chosen.
        Form1->activateWindow();
        if (!QTest::qWaitForWindowActive(Form1))
            complain(QStringLiteral("the board did not become active"));
        QTest::qWait(100);
        try {
            if (dialogs.count() == 0 && !app::endRequested() && !selectBookedCell(Form1)) {
                complain(QStringLiteral("no booking starts in the cells in view"));
                status = 1;
            }
        } catch (const platform::AppError& e) {
            complain(e.message());
            status = 1;
        }
        QTest::qWait(300); // let the repaints after the moves land
        const QString problems = Modal::takeProblems();
        if (!problems.isEmpty()) {
            complain(problems);
            status = 1;
        }
        for (const platform::MessageRequest& box : dialogs.messages()) {
            complain(QStringLiteral("message box \"%1\": %2").arg(box.caption, box.text));
            status = 1;
        }
        if (status == 0 && !Form1->grab().save(output, "PNG")) {
            complain(QStringLiteral("cannot write %1").arg(output));
            status = 1;
        }
    }

    Modal::closeModals();
    return status;
}

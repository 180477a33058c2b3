#include "BoardFixture.h"

#include "board/Main.h"
#include "platform/ExeDir.h"
#include "platform/Regional.h"
#include "platform/ui/BoardGrid.h"

#include <QCalendarWidget>
#include <QDir>
#include <QImage>
#include <QLineEdit>
#include <QMenuBar>
#include <QPageLayout>
#include <QPrinter>
#include <QProcess>
#include <QStandardPaths>
#include <QTemporaryDir>
#include <QTest>

namespace {

const QDate kToday(2026, 11, 25);
constexpr int kDpi = 150;
// Uneven margins, so that a print placed anywhere but the printable area's
// corner, or scaled to the whole sheet, shows.
const QMarginsF kMarginsMm(12, 25, 18, 9);

bool isInk(QRgb p)
{
    return qRed(p) < 250 || qGreen(p) < 250 || qBlue(p) < 250;
}

// The bounding box of everything that is not paper white.
QRect inkBox(const QImage& image)
{
    int left = image.width(), top = image.height(), right = -1, bottom = -1;
    for (int y = 0; y < image.height(); ++y) {
        const auto* line = reinterpret_cast<const QRgb*>(image.constScanLine(y));
        for (int x = 0; x < image.width(); ++x)
            if (isInk(line[x])) {
                left = std::min(left, x);
                right = std::max(right, x);
                top = std::min(top, y);
                bottom = std::max(bottom, y);
            }
    }
    return right < 0 ? QRect() : QRect(QPoint(left, top), QPoint(right, bottom));
}

// Each edge of the image carries ink, so the printed extent can be read off the page.
bool inkOnEveryEdge(const QImage& image)
{
    auto column = [&](int x) {
        for (int y = 0; y < image.height(); ++y)
            if (isInk(image.pixel(x, y)))
                return true;
        return false;
    };
    auto row = [&](int y) {
        for (int x = 0; x < image.width(); ++x)
            if (isInk(image.pixel(x, y)))
                return true;
        return false;
    };
    return column(0) && column(image.width() - 1) && row(0) && row(image.height() - 1);
}

// Renders every page of the PDF; the pages as images, in order.
QList<QImage> renderPages(const QString& pdf, const QString& folder)
{
    QProcess p;
    p.start(QStringLiteral("pdftoppm"),
            {QStringLiteral("-r"), QString::number(kDpi), QStringLiteral("-png"), pdf, folder + "/page"});
    if (!p.waitForFinished(60000) || p.exitCode() != 0)
        return {};
    QList<QImage> pages;
    const QStringList files = QDir(folder).entryList({QStringLiteral("page*.png")}, QDir::Files, QDir::Name);
    for (const QString& file : files)
        pages.append(QImage(folder + "/" + file).convertToFormat(QImage::Format_RGB32));
    return pages;
}

double ratio(const QSizeF& s)
{
    return s.width() / s.height();
}

} // namespace

class PrintTest : public QObject {
    Q_OBJECT
private slots:
    void initTestCase()
    {
        platform::setRegionalLocaleForTests(QLocale(QLocale::Russian, QLocale::Russia));
        platform::setTodayForTests(kToday);
    }

    void fitsTheWindowToThePage_data()
    {
        QTest::addColumn<QSize>("window");
        QTest::addColumn<bool>("fillsWidth");
        QTest::newRow("wide") << QSize(1600, 500) << true;
        QTest::newRow("tall") << QSize(500, 1000) << false;
    }

    void fitsTheWindowToThePage()
    {
        if (QStandardPaths::findExecutable(QStringLiteral("pdftoppm")).isEmpty())
            QSKIP("pdftoppm (poppler-utils) is not installed");
        QFETCH(QSize, window);
        QFETCH(bool, fillsWidth);

        BoardFixture f;
        f.addBooking(1, 1, kToday, kToday.addDays(3), 1, "Печатный");
        QVERIFY(f.start());
        MODAL_VERIFY();
        TForm1* b = f.board();
        b->resize(window);
        QCoreApplication::processEvents();
        const QSize client = b->centralWidget()->size();
        QCOMPARE(client.width(), window.width());
        QVERIFY(client.height() < window.height()); // the menu bar is above it
        QVERIFY2(inkOnEveryEdge(b->clientAreaImage()), "the board's edges are white: extent not measurable");

        QTemporaryDir out;
        const QString pdf = out.filePath("board.pdf");
        QPageLayout layout;
        f.dialogs().onPrintDialog([&](QPrinter& printer) {
            printer.setOutputFormat(QPrinter::PdfFormat);
            printer.setOutputFileName(pdf);
            printer.setPageSize(QPageSize(QPageSize::A4));
            printer.setPageOrientation(QPageLayout::Portrait);
            printer.setPageMargins(kMarginsMm, QPageLayout::Millimeter);
            layout = printer.pageLayout();
            return true;
        });
        b->N8->trigger();
        QCOMPARE(f.dialogs().printDialogCount(), 1);
        QCOMPARE(f.dialogs().count(), 0);

        const QList<QImage> pages = renderPages(pdf, out.path());
        QCOMPARE(pages.size(), 1);
        const double scale = kDpi / 72.0;
        const QRectF area(layout.paintRectPoints().topLeft() * scale, layout.paintRectPoints().size() * scale);
        const QRect printed = inkBox(pages[0]);
        QVERIFY(!printed.isEmpty());

        const double tol = 2; // page pixels: edge smoothing and rounding of the margins
        QVERIFY2(qAbs(printed.left() - area.left()) <= tol && qAbs(printed.top() - area.top()) <= tol,
                 qPrintable(QString("printed at %1,%2, printable area at %3,%4")
                                .arg(printed.left()).arg(printed.top()).arg(area.left()).arg(area.top())));
        const double printedRatio = ratio(QSizeF(printed.size()));
        const double clientRatio = ratio(QSizeF(client));
        QVERIFY2(qAbs(printedRatio / clientRatio - 1) < 0.01,
                 qPrintable(QString("printed %1, client area %2").arg(printedRatio).arg(clientRatio)));
        // The whole window, menu bar included, would be a different shape.
        QVERIFY(qAbs(ratio(QSizeF(window)) / clientRatio - 1) > 0.015);
        if (fillsWidth) {
            QVERIFY2(qAbs(printed.width() - area.width()) <= tol,
                     qPrintable(QString("width %1 of %2").arg(printed.width()).arg(area.width())));
            QVERIFY(printed.height() < area.height() - 10);
        } else {
            QVERIFY2(qAbs(printed.height() - area.height()) <= tol,
                     qPrintable(QString("height %1 of %2").arg(printed.height()).arg(area.height())));
            QVERIFY(printed.width() < area.width() - 10);
        }
    }

    void cancelledDialogPrintsNothing()
    {
        BoardFixture f;
        QVERIFY(f.start());
        QTemporaryDir out;
        const QString pdf = out.filePath("board.pdf");
        f.dialogs().onPrintDialog([&](QPrinter& printer) {
            printer.setOutputFormat(QPrinter::PdfFormat);
            printer.setOutputFileName(pdf);
            return false;
        });
        f.board()->N8->trigger();
        QCOMPARE(f.dialogs().printDialogCount(), 1);
        QVERIFY(!QFile::exists(pdf));
        QCOMPARE(f.dialogs().count(), 0);
    }

    void printerThatCannotStartIsReported()
    {
        BoardFixture f;
        f.addBooking(1, 2, kToday, kToday.addDays(1), 3, "Неизменный");
        QVERIFY(f.start());
        TForm1* b = f.board();
        b->StringGrid1->setRow(2);
        QCOMPARE(b->Edit1->text(), QString("Неизменный"));
        const int col = b->StringGrid1->col(), row = b->StringGrid1->row(), left = b->StringGrid1->leftCol();

        QTemporaryDir out;
        const QString pdf = out.filePath("missing/board.pdf");
        f.dialogs().onPrintDialog([&](QPrinter& printer) {
            printer.setOutputFormat(QPrinter::PdfFormat);
            printer.setOutputFileName(pdf);
            return true;
        });
        b->N8->trigger();
        QCOMPARE(f.dialogs().count(), 1);
        const platform::MessageRequest box = f.dialogs().last();
        QCOMPARE(box.caption, platform::programTitle());
        QCOMPARE(box.icon, platform::MsgIcon::Error);
        QCOMPARE(box.buttons, int(platform::Ok));
        QVERIFY(!box.text.isEmpty());
        QVERIFY(!QFile::exists(pdf));
        QVERIFY(!QDir(out.filePath("missing")).exists());

        QCOMPARE(b->StringGrid1->col(), col);
        QCOMPARE(b->StringGrid1->row(), row);
        QCOMPARE(b->StringGrid1->leftCol(), left);
        QCOMPARE(b->MC->selectedDate(), kToday);
        QCOMPARE(b->Edit1->text(), QString("Неизменный"));
        QVERIFY(b->isVisible());
        QCOMPARE(f.db().value("select count(*) from RES"), QString("1"));
    }
};

QTEST_MAIN(PrintTest)
#include "PrintTest.moc"

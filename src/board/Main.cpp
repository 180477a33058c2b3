#include "board/Main.h"

#include "app/ConfIni.h"
#include "app/ErrorReport.h"
#include "board/Colors.h"
#include "board/Legend.h"
#include "board/LiveBoard.h"
#include "booking/Unit4.h"
#include "data/ChangeEvents.h"
#include "data/Statements.h"
#include "data/UnDM.h"
#include "data/WriteStatement.h"
#include "platform/AppError.h"
#include "platform/Dialogs.h"
#include "platform/Regional.h"
#include "platform/ui/BoardGrid.h"
#include "signin/Login.h"
#include "staff/Unit5.h"

#include <QAction>
#include <QApplication>
#include <QCalendarWidget>
#include <QCheckBox>
#include <QCloseEvent>
#include <QComboBox>
#include <QDateEdit>
#include <QInputMethodEvent>
#include <QKeyEvent>
#include <QLabel>
#include <QLineEdit>
#include <QMenu>
#include <QMenuBar>
#include <QPainter>
#include <QPrinter>
#include <QPushButton>
#include <QScopeGuard>
#include <QSplitter>
#include <QToolTip>
#include <QVBoxLayout>

using data::DM;

TForm1* Form1 = nullptr;

namespace {

constexpr int kDateColumns = 124;
// 1 stands for the missing client library.
constexpr int kBadLoginExitStatus = 2;
constexpr int kLeftPanelWidth = 164;

// Header tints: today, and Saturday and Sunday.
const QColor kTodayFill(255, 232, 150);
const QColor kTodayBar(200, 0, 0);
const QColor kWeekendFill(255, 214, 214);
// The double-booking mark: red in a black edge, which stands out on any fill.
const QColor kMarkEdge(0, 0, 0);
const QColor kMarkFill(255, 0, 0);

QFont tahoma(int pointSize)
{
    return QFont(QStringLiteral("Tahoma"), pointSize);
}

} // namespace

TForm1::TForm1(QWidget* parent) : QMainWindow(parent)
{
    setObjectName(QStringLiteral("Form1"));
    setWindowTitle(QStringLiteral("Бронирование номеров"));
    setFont(tahoma(8));
    m_live = new LiveBoard(
        this, [this] { app::guarded([this] { followDatabase(); }); },
        [this] { app::guarded([this] { StringGrid1Click(); }); });
    buildControls();
    buildMenus();
    move(195, 55);
    // The panels keep their designed 798 x 529; the legend's two rows come below.
    resize(798, 529 + board::ManagerLegend::kReservedHeight + MainMenu1->sizeHint().height());
    // Every fresh content of the bookings is painted at once, also in the
    // cells that no closing window uncovers.
    if (DM)
        connect(&DM->qAll, &data::Dataset::changed, StringGrid1->viewport(), qOverload<>(&QWidget::update));
    app::guarded([this] { FormCreate(); });
}

TForm1::~TForm1()
{
    if (Form1 == this)
        Form1 = nullptr;
}

void TForm1::buildControls()
{
    // The client area: the panels, and the managers' colours under them.
    auto* client = new QWidget(this);
    client->setObjectName(QStringLiteral("ClientArea"));
    auto* column = new QVBoxLayout(client);
    column->setContentsMargins(0, 0, 0, 0);
    column->setSpacing(0);
    setCentralWidget(client);

    Splitter1 = new QSplitter(Qt::Horizontal, client);
    Splitter1->setObjectName(QStringLiteral("Splitter1"));
    Splitter1->setHandleWidth(2);
    Splitter1->setChildrenCollapsible(false);
    column->addWidget(Splitter1, 1);
    Legend = new board::ManagerLegend(client);
    Legend->setObjectName(QStringLiteral("Legend"));
    column->addWidget(Legend, 0);

    Panel2 = new QWidget(Splitter1);
    Panel2->setObjectName(QStringLiteral("Panel2"));
    Panel2->setMinimumWidth(60);
    Panel2->installEventFilter(this);

    Panel3 = new QWidget(Panel2);
    Panel3->setObjectName(QStringLiteral("Panel3"));
    Panel3->setGeometry(0, 0, kLeftPanelWidth, 90);

    auto makeDate = [this](const char* name, int y) {
        auto* picker = new QDateEdit(Panel3);
        picker->setObjectName(QLatin1String(name));
        picker->setCalendarPopup(true);
        picker->setDisplayFormat(platform::shortDateFormat());
        picker->setGeometry(8, y, 147, 21);
        picker->installEventFilter(this);
        return picker;
    };
    DT1 = makeDate("DT1", 8);
    DT2 = makeDate("DT2", 35);
    Button1 = new QPushButton(QStringLiteral("Выбор"), Panel3);
    Button1->setObjectName(QStringLiteral("Button1"));
    Button1->setGeometry(8, 62, 147, 19);
    connect(Button1, &QPushButton::clicked, this, [this] { app::guarded([this] { Button1Click(); }); });

    MC = new QCalendarWidget(Panel2);
    MC->setObjectName(QStringLiteral("MC"));
    MC->setGeometry(0, 90, kLeftPanelWidth, 160);
    MC->setVerticalHeaderFormat(QCalendarWidget::NoVerticalHeader);
    MC->setGridVisible(false);
    connect(MC, &QCalendarWidget::clicked, this, [this] { app::guarded([this] { MCClick(); }); });

    auto makeDetail = [this](const char* labelName, const char* text, int labelY, const char* editName, int editY,
                             QLabel*& label, QLineEdit*& edit) {
        label = new QLabel(QString::fromUtf8(text), Panel2);
        label->setObjectName(QLatin1String(labelName));
        label->move(9, labelY);
        label->adjustSize();
        edit = new QLineEdit(Panel2);
        edit->setObjectName(QLatin1String(editName));
        edit->setReadOnly(true);
        edit->setGeometry(9, editY, 147, 21);
    };
    makeDetail("Label1", "Клиент", 280, "Edit1", 293, Label1, Edit1);
    makeDetail("Label2", "Менеджер", 320, "Edit2", 334, Label2, Edit2);
    makeDetail("Label3", "Дата заезда", 427, "Edit3", 442, Label3, Edit3);
    makeDetail("Label4", "Дата выезда", 469, "Edit4", 483, Label4, Edit4);

    Panel1 = new QWidget(Splitter1);
    Panel1->setObjectName(QStringLiteral("Panel1"));
    Panel1->installEventFilter(this);
    StringGrid1 = new platform::BoardGrid(Panel1);
    StringGrid1->setObjectName(QStringLiteral("StringGrid1"));
    StringGrid1->setDefaultColWidth(100);
    StringGrid1->setDefaultRowHeight(40);
    QFont gridFont(QStringLiteral("Tahoma"));
    gridFont.setPixelSize(16);
    StringGrid1->setFont(gridFont);
    StringGrid1->viewport()->installEventFilter(this);
    StringGrid1->installEventFilter(this);
    StringGrid1->setDrawCell(
        [this](QPainter& p, int c, int r, const QRect& rect) { StringGrid1DrawCell(p, c, r, rect); });
    connect(StringGrid1, &platform::BoardGrid::clicked, this, [this] {
        if (!m_live->deferSelection())
            app::guarded([this] { StringGrid1Click(); });
    });
    connect(StringGrid1, &platform::BoardGrid::doubleClicked, this,
            [this] { app::guarded([this] { StringGrid1DblClick(); }); });
    connect(StringGrid1, &platform::BoardGrid::contextMenuRequested, this,
            [this](const QPoint& global) { PopupMenu1->popup(global); });

    Box = new QComboBox(Panel1);
    Box->setObjectName(QStringLiteral("Box"));
    Box->setEditable(true);
    Box->setInsertPolicy(QComboBox::NoInsert);
    Box->setCompleter(nullptr); // completion is the box's own, below
    Box->setGeometry(16, 9, 73, 21);
    Box->raise();
    Box->lineEdit()->installEventFilter(this);
    connect(Box->lineEdit(), &QLineEdit::textEdited, this, [this](const QString& typed) { boxEdited(typed); });
    connect(Box, &QComboBox::activated, this, [this] { app::guarded([this] { BoxChange(); }); });

    Splitter1->addWidget(Panel2);
    Splitter1->addWidget(Panel1);
    Splitter1->setStretchFactor(0, 0);
    Splitter1->setStretchFactor(1, 1);
    Splitter1->setSizes({kLeftPanelWidth, 798 - kLeftPanelWidth - 2});
    connect(Splitter1, &QSplitter::splitterMoved, this, [this] { app::guarded([this] { Splitter1Moved(); }); });
}

void TForm1::buildMenus()
{
    MainMenu1 = menuBar();
    MainMenu1->setObjectName(QStringLiteral("MainMenu1"));
    auto action = [this](QObject* owner, const char* name, const char* text, void (TForm1::*handler)()) {
        auto* a = new QAction(QString::fromUtf8(text), owner);
        a->setObjectName(QLatin1String(name));
        connect(a, &QAction::triggered, this, [this, handler] { app::guarded([this, handler] { (this->*handler)(); }); });
        return a;
    };
    N1 = MainMenu1->addMenu(QStringLiteral("Меню"));
    N1->setObjectName(QStringLiteral("N1"));
    N8 = action(N1, "N8", "Печать", &TForm1::N8Click);
    N9 = action(N1, "N9", "Выход", &TForm1::N1Click);
    N1->addAction(N8);
    N1->addAction(N9);
    N2 = action(MainMenu1, "N2", "Бронь", &TForm1::N2Click);
    N4 = action(MainMenu1, "N4", "Менеджер", &TForm1::N4Click);
    N7 = action(MainMenu1, "N7", "Обновить", &TForm1::N3Click);
    N6 = action(MainMenu1, "N6", "Логин", &TForm1::N6Click);
    MainMenu1->addAction(N2);
    MainMenu1->addAction(N4);
    MainMenu1->addAction(N7);
    MainMenu1->addAction(N6);

    PopupMenu1 = new QMenu(this);
    PopupMenu1->setObjectName(QStringLiteral("PopupMenu1"));
    N3 = action(PopupMenu1, "N3", "Обновить", &TForm1::N3Click);
    N5 = action(PopupMenu1, "N5", "Удалить", &TForm1::N5Click);
    PopupMenu1->addAction(N3);
    PopupMenu1->addAction(N5);
}

// ---- start and end -------------------------------------------------------

void TForm1::FormCreate()
{
    m_live->follow(DM->DB.changes(), DM->qAll);
    app::DatabaseSettings base;
    try {
        base = app::readDatabaseSettings();
    } catch (const platform::AppError&) {
        app::setExitStatus(kBadLoginExitStatus);
        throw;
    }
    DM->DB.setDatabaseName(base.path);
    if (!base.user.isEmpty())
        DM->DB.setLogin(base.user, base.password);
    DM->DB.open();
}

void TForm1::showEvent(QShowEvent* event)
{
    QMainWindow::showEvent(event);
    if (m_shown || event->spontaneous())
        return;
    m_shown = true;
    app::guarded([this] { FormShow(); });
}

bool TForm1::event(QEvent* event)
{
    if (event->type() == QEvent::WindowActivate && m_shown && !m_activated) {
        m_activated = true;
        const bool result = QMainWindow::event(event);
        app::guarded([this] { FormActivate(); });
        return result;
    }
    return QMainWindow::event(event);
}

void TForm1::FormShow()
{
    const QDate today = platform::today();
    MC->setSelectedDate(today);
    DT1->setDate(today);
    DT2->setDate(today);

    StringGrid1->setColCount(kDateColumns + 1);
    for (int i = 1; i <= kDateColumns; ++i)
        StringGrid1->setCell(i, 0, platform::fixedDateText(today.addDays(-62 + i)));
    setCurrentRow(1);
    columnJump(62);

    DM->tAll.start();
    DM->qAll.open();

    Form6->exec();

    // The rights count whatever becomes of the room set-up below.
    const auto rights = qScopeGuard([this] { applyRights(); });
    DM->tabZals.open();
    Box->clear();
    Box->setEditText(QString());
    StringGrid1->setRowCount(app::strToInt(app::readConf(QStringLiteral("Rows"), QStringLiteral("Count"))) + 1);
    const int rooms = app::strToInt(app::readConf(QStringLiteral("Rows"), QStringLiteral("Count")));
    for (int r = 1; r <= rooms; ++r) {
        DM->tabZals.moveTo(r);
        const QString name = DM->tabZals.text(QStringLiteral("NAME"));
        StringGrid1->setCell(0, r, name);
        Box->addItem(name);
    }
    Box->setCurrentIndex(-1);
    Box->setEditText(QString());
    refreshLegend();
}

void TForm1::FormActivate()
{
    MC->setSelectedDate(platform::today());
    MCClick();
    StringGrid1->setFocus();
}

bool TForm1::FormCloseQuery()
{
    DM->DB.close();
    return true;
}

void TForm1::closeEvent(QCloseEvent* event)
{
    if (!app::guarded([this] { FormCloseQuery(); })) {
        // The connection is released all the same; the next close has nothing left to close.
        event->ignore();
        return;
    }
    event->accept();
    QCoreApplication::exit(0);
}

void TForm1::applyRights()
{
    const bool rights = Form6->cb->isChecked();
    N5->setEnabled(rights);
    N2->setEnabled(rights);
}

// ---- navigation ----------------------------------------------------------

// The board's own moves run the click handler here, inside the handler that
// made them, so that its failure ends that handler.
void TForm1::setCurrentCol(int col)
{
    if (StringGrid1->setCol(col, platform::BoardGrid::Notify::Quietly))
        StringGrid1Click();
}

void TForm1::setCurrentRow(int row)
{
    if (StringGrid1->setRow(row, platform::BoardGrid::Notify::Quietly))
        StringGrid1Click();
}

void TForm1::columnJump(int col)
{
    setCurrentCol(StringGrid1->colCount() - 1);
    setCurrentCol(col);
}

void TForm1::MCClick()
{
    const QString text = platform::dateToText(MC->selectedDate());
    for (int c = 1; c < StringGrid1->colCount(); ++c)
        if (StringGrid1->cell(c, 0) == text)
            columnJump(c);
}

void TForm1::Button1Click()
{
    const QDate first = DT1->date();
    const qint64 n = first.daysTo(DT2->date()) + 1;
    if (n < 1)
        return;
    for (int i = 1; i <= n; ++i) {
        StringGrid1->setColCount(i + 1);
        StringGrid1->setCell(i, 0, platform::fixedDateText(first.addDays(i - 1)));
    }
}

bool TForm1::eventFilter(QObject* watched, QEvent* event)
{
    if ((watched == DT1 || watched == DT2) && event->type() == QEvent::KeyPress) {
        auto* key = static_cast<QKeyEvent*>(event);
        if (key->key() == Qt::Key_Return || key->key() == Qt::Key_Enter) {
            app::guarded([this] { Button1Click(); }); // DT2KeyPress
            return true;
        }
    }
    if (watched == Panel2 && event->type() == QEvent::Resize) {
        Panel3->resize(Panel2->width(), Panel3->height());
        MC->resize(Panel2->width(), MC->height());
    }
    if (StringGrid1 && watched == StringGrid1->viewport() && event->type() == QEvent::Paint) {
        // conf.ini is looked at once per paint of the board, not once per cell.
        m_occupancy.colors().expire();
        m_textAscent = QFontMetrics(StringGrid1->font()).ascent();
        refreshLegend();
    }
    if (StringGrid1 && watched == StringGrid1->viewport() && event->type() == QEvent::ToolTip) {
        auto* help = static_cast<QHelpEvent*>(event);
        const QPoint cell = StringGrid1->cellAt(help->pos());
        QString tip;
        app::guarded([&] { tip = cellToolTip(cell.x(), cell.y()); });
        if (tip.isEmpty())
            QToolTip::hideText();
        else
            QToolTip::showText(help->globalPos(), tip, StringGrid1->viewport(),
                               StringGrid1->cellRect(cell.x(), cell.y()));
        return true;
    }
    if (StringGrid1 && watched == StringGrid1 && event->type() == QEvent::KeyPress) {
        auto* key = static_cast<QKeyEvent*>(event);
        m_live->keyPressed(key->timestamp());
        // Enter on the current cell is the double-click.
        if ((key->key() == Qt::Key_Return || key->key() == Qt::Key_Enter) && key->modifiers() == Qt::NoModifier) {
            app::guarded([this] { StringGrid1DblClick(); });
            return true;
        }
    }
    if (StringGrid1 && watched == StringGrid1->viewport() && event->type() == QEvent::MouseButtonPress)
        m_live->mousePressed();
    if (watched == Panel1 && event->type() == QEvent::Resize)
        StringGrid1->setGeometry(Panel1->rect());
    if (Box && watched == Box->lineEdit()) {
        // Only a typed character completes; Backspace, Delete, cut and paste edit the text as it is.
        if (event->type() == QEvent::KeyPress) {
            const QString text = static_cast<QKeyEvent*>(event)->text();
            m_boxTyped = !text.isEmpty() && text.at(0).isPrint();
        } else if (event->type() == QEvent::InputMethod) {
            m_boxTyped = !static_cast<QInputMethodEvent*>(event)->commitString().isEmpty();
        }
    }
    return QMainWindow::eventFilter(watched, event);
}

void TForm1::boxEdited(const QString& typed)
{
    const bool complete = m_boxTyped;
    m_boxTyped = false;
    if (!complete) {
        // The text stays as edited; an item is selected only when it is that text.
        const int cursor = Box->lineEdit()->cursorPosition();
        {
            const QSignalBlocker block(Box);
            Box->setCurrentIndex(Box->findText(typed, Qt::MatchExactly | Qt::MatchCaseSensitive));
            Box->lineEdit()->setText(typed);
            Box->lineEdit()->setCursorPosition(cursor);
        }
        app::guarded([this] { BoxChange(); });
        return;
    }
    // Type-ahead: complete to the first room that starts with the typed text.
    int match = -1;
    if (!typed.isEmpty()) {
        for (int i = 0; i < Box->count(); ++i) {
            if (Box->itemText(i).startsWith(typed, Qt::CaseInsensitive)) {
                match = i;
                break;
            }
        }
    }
    {
        const QSignalBlocker block(Box);
        Box->setCurrentIndex(match);
        if (match >= 0) {
            const QString full = Box->itemText(match);
            Box->lineEdit()->setText(full);
            Box->lineEdit()->setSelection(int(typed.size()), int(full.size() - typed.size()));
        } else {
            Box->lineEdit()->setText(typed);
        }
    }
    app::guarded([this] { BoxChange(); });
}

void TForm1::BoxChange()
{
    if (Box->currentText().isEmpty())
        return;
    const QString selected = Box->currentIndex() >= 0 ? Box->itemText(Box->currentIndex()) : QString();
    for (int r = 1; r < StringGrid1->rowCount(); ++r)
        if (StringGrid1->cell(0, r) == selected)
            setCurrentRow(r);
}

void TForm1::Splitter1Moved()
{
    const int width = Panel2->width() - 17;
    for (QWidget* w : {static_cast<QWidget*>(Edit1), static_cast<QWidget*>(Edit2), static_cast<QWidget*>(Edit3),
                       static_cast<QWidget*>(Edit4), static_cast<QWidget*>(Button1), static_cast<QWidget*>(DT1),
                       static_cast<QWidget*>(DT2)})
        w->resize(width, w->height());
}

// ---- selection -----------------------------------------------------------

// The bookings are read again unless the database's notifications are alive
// and none has come since they were last read: then they are as stored.
void TForm1::StringGrid1Click()
{
    const bool reread = m_live->bookingsStale();
    if (reread)
        data::restartDataset(DM->qAll);
    const QString h = StringGrid1->cell(StringGrid1->col(), 0);
    MC->setSelectedDate(platform::textToDate(h));
    try {
        showDetails();
    } catch (const platform::AppError&) {
        // The bookings were taken as current; when the database fails here
        // (a lost connection that no notification told of yet) the board
        // ends as after a failed re-read, which reports the same failure.
        if (!reread) {
            try {
                data::restartDataset(DM->qAll);
            } catch (const platform::AppError&) {
            }
        }
        throw;
    }
}

void TForm1::followDatabase()
{
    data::restartDataset(DM->qAll);
    StringGrid1->viewport()->update();
    showDetails();
}

void TForm1::showDetails()
{
    const int c = StringGrid1->col();
    const int r = StringGrid1->row();
    const QString h = StringGrid1->cell(c, 0);
    DM->Quk.setSql(data::sql::bookingAt(h, r));
    DM->Quk.open();
    if (DM->Quk.hasCurrent()) {
        Edit1->setText(DM->Quk.text(QStringLiteral("CLIENT")));
        Edit2->setText(DM->Quk.text(QStringLiteral("NAME")));
        Edit3->setText(platform::fixedDateText(DM->Quk.asDate(QStringLiteral("DATE1"))));
        Edit4->setText(platform::fixedDateText(DM->Quk.asDate(QStringLiteral("DATE2"))));
    } else {
        Edit1->clear();
        Edit2->clear();
        Edit3->clear();
        Edit4->clear();
    }
    DM->Quk.close();
}

// ---- painting ------------------------------------------------------------

// The cell as the occupancy model answers it, bands in their order, later
// ones over earlier ones, with the settings of conf.ini as it is now.
void TForm1::StringGrid1DrawCell(QPainter& painter, int col, int row, const QRect& rect)
{
    if (!m_occupancy.follow(DM->qAll)) {
        app::requestEnd();
        return;
    }
    if (row == 0 && col >= 1)
        drawHeader(painter, col, rect);
    const QString& header = StringGrid1->cell(col, 0);
    m_occupancy.cell(row, header, m_cellView);
    for (const board::Layer& layer : m_cellView.layers) {
        if (!board::colorIsNone(layer.color))
            painter.fillRect(rect, board::colorToQColor(layer.color));
        if (layer.guest) {
            painter.setPen(StringGrid1->palette().color(QPalette::Text));
            painter.drawText(QPoint(rect.left() + 5, rect.top() + 2 + m_textAscent),
                             DM->qAll.textAt(layer.stay->row, m_occupancy.clientColumn()));
            painter.drawText(QPoint(rect.left() + 5, rect.top() + 19 + m_textAscent),
                             DM->qAll.textAt(layer.stay->row, m_occupancy.telColumn()));
        }
    }
    // Top-right, clear of the point (Left + 4, Top + 4) that tells a free cell.
    if (row >= 1 && m_occupancy.doubleBooked(row, m_occupancy.headerDay(header))) {
        const int r = rect.right() + 1;
        const int t = rect.top();
        painter.setPen(Qt::NoPen);
        painter.setBrush(kMarkEdge);
        painter.drawPolygon(QPolygon({QPoint(r - 16, t), QPoint(r, t), QPoint(r, t + 16)}));
        painter.setBrush(kMarkFill);
        painter.drawPolygon(QPolygon({QPoint(r - 12, t + 1), QPoint(r - 1, t + 1), QPoint(r - 1, t + 12)}));
    }
    // The cell stays unfinished; the report waits for the event loop and is
    // not repeated while the same failure comes back on every repaint.
    if (m_cellView.failure && m_occupancy.colors().firstFailure(m_cellView.failure->message()))
        app::reportErrorQueued(m_cellView.failure->message());
}

void TForm1::drawHeader(QPainter& painter, int col, const QRect& rect)
{
    const int day = m_occupancy.headerDay(StringGrid1->cell(col, 0));
    if (day == board::kNoDay)
        return;
    const QDate date = data::Dataset::dateOfDayNumber(day);
    const bool today = date == platform::today();
    if (!today && date.dayOfWeek() < Qt::Saturday)
        return;
    painter.fillRect(rect, today ? kTodayFill : kWeekendFill);
    if (today)
        painter.fillRect(QRect(rect.left(), rect.bottom() - 3, rect.width(), 4), kTodayBar);
    // The text as the grid writes it, on the tint.
    painter.setPen(StringGrid1->palette().color(QPalette::ButtonText));
    painter.drawText(rect.adjusted(2, 0, -2, 0), Qt::AlignLeft | Qt::AlignVCenter | Qt::TextSingleLine,
                     StringGrid1->cell(col, 0));
}

QString TForm1::cellToolTip(int col, int row)
{
    if (col < 1 || row < 1 || !m_occupancy.follow(DM->qAll))
        return QString();
    const int day = m_occupancy.headerDay(StringGrid1->cell(col, 0));
    const std::vector<const board::Stay*> stays = m_occupancy.covering(row, day);
    if (stays.empty())
        return QString();
    const data::Dataset& q = DM->qAll;
    auto field = [&q](const board::Stay* s, const char* name) {
        return q.textAt(s->row, q.fieldIndex(QLatin1String(name)));
    };
    QStringList parts;
    if (m_occupancy.doubleBooked(row, day))
        parts << QStringLiteral("Двойная бронь");
    for (const board::Stay* s : stays) {
        parts << QStringList{
            field(s, "CLIENT") + QStringLiteral(", тел. ") + field(s, "TEL"),
            platform::fixedDateText(data::Dataset::dateOfDayNumber(s->arrival)) + QStringLiteral(" – ") +
                platform::fixedDateText(data::Dataset::dateOfDayNumber(s->departure)),
            QStringLiteral("Менеджер: ") + field(s, "NAME"),
            QStringLiteral("Компания: ") + field(s, "CORP"),
            QStringLiteral("Турагенство: ") + field(s, "TURAG"),
            QStringLiteral("Гарантия: ") + field(s, "GARANTY"),
            QStringLiteral("Гостей: взрослых %1, детей до 6 лет %2, до 12 лет %3")
                .arg(field(s, "VZROS"), field(s, "REB6"), field(s, "REB12")),
            QStringLiteral("Цена: %1, с учетом скидки: %2").arg(field(s, "PRICE"), field(s, "OPLATA"))}
                     .join(QLatin1Char('\n'));
    }
    return parts.join(QStringLiteral("\n\n"));
}

void TForm1::refreshLegend()
{
    std::vector<board::LegendEntry> entries;
    try {
        board::ManagerColors& colors = m_occupancy.colors();
        const int count = colors.managerCount();
        if (DM->DB.isOpen() && DM->qAll.isOpen() && !DM->qNames.isOpen())
            DM->qNames.open();
        QHash<int, QString> names;
        for (int i = 1; i <= DM->qNames.recordCount(); ++i) {
            DM->qNames.moveTo(i);
            names.insert(int(DM->qNames.asInteger(QStringLiteral("ID"))), DM->qNames.text(QStringLiteral("NAME")));
        }
        for (int m = 1; m <= count && m <= 1000; ++m) {
            QColor color;
            try {
                const qint32 value = colors.color(m);
                if (!board::colorIsNone(value))
                    color = board::colorToQColor(value);
            } catch (const platform::AppError&) {
                // the painting reports it
            }
            entries.push_back({m, names.value(m), color});
        }
    } catch (const platform::AppError&) {
        // an unreadable count: the painting reports it; no legend meanwhile
    }
    Legend->setEntries(std::move(entries));
}

// ---- the editor hand-off -------------------------------------------------

void TForm1::StringGrid1DblClick()
{
    if (!Form6->cb->isChecked())
        return;
    const int c = StringGrid1->col();
    const int r = StringGrid1->row();
    const QString h = StringGrid1->cell(c, 0);
    const QRect rect = StringGrid1->cellRect(c, r);
    const QColor shown = StringGrid1->pixelAt(rect.topLeft() + QPoint(4, 4));

    if ((shown.rgb() & 0xFFFFFF) == 0xFFFFFF) {
        Form4->Button1Click();
        Form4->Edit1->setText(QString());
        Form4->Edit3->setText(QString());
        Form4->Edit5->setText(QString());
        Form4->Edit8->setText(QString());
        for (QLineEdit* e : {Form4->Edit9, Form4->Edit10, Form4->Edit11, Form4->Edit12, Form4->Edit13, Form4->Edit14})
            e->setText(QStringLiteral("0"));
        Form4->Edit16->setText(QString());
        Form4->Edit6->setKeyValue(r);
        Form4->Edit7->setCurrentIndex(-1);
        Form4->Edit7->setEditText(QString());
        const QDate day = platform::textToDate(h);
        Form4->Edit2->setDate(day);
        Form4->Edit4->setDate(day);
        Form4->exec();
        StringGrid1Click();
        return;
    }

    // Quk holds its table-stability lock for the editor only: every way out
    // that does not show the editor closes it, or other desks' saves would wait.
    try {
        DM->Quk.setSql(data::sql::bookingAt(h, r));
        DM->Quk.open();
        if (!DM->Quk.hasCurrent()) {
            // No booking starts here: open the one whose band is drawn in the cell.
            const board::Stay* drawn = m_occupancy.follow(DM->qAll) ? m_occupancy.drawnAt(r, h) : nullptr;
            if (drawn) {
                DM->Quk.setSql(
                    data::sql::bookingAt(platform::fixedDateText(data::Dataset::dateOfDayNumber(drawn->arrival)), r));
                DM->Quk.open();
            }
            if (!DM->Quk.hasCurrent()) {
                // Gone since the board was read (deleted at another desk): show the board as it is now.
                DM->Quk.close();
                StringGrid1Click();
                return;
            }
        }
        DM->tabZals.open();
        DM->tabOtv.open();
        NewBooking = false;
        Form4->EnabledEdit(true);
        Form4->fillManagers();
        data::Dataset& q = DM->Quk;
        const std::pair<QLineEdit*, const char*> texts[] = {
            {Form4->Edit1, "CLIENT"}, {Form4->Edit3, "TEL"},    {Form4->Edit5, "CORP"},    {Form4->Edit8, "TURAG"},
            {Form4->Edit9, "VZROS"},  {Form4->Edit10, "REB6"},  {Form4->Edit11, "REB12"},  {Form4->Edit12, "PRICE"},
            {Form4->Edit13, "SKIDKA"}, {Form4->Edit14, "OPLATA"}, {Form4->Edit16, "GARANTY"}};
        for (const auto& [edit, column] : texts)
            edit->setText(q.text(QLatin1String(column)));
        Form4->Edit6->setKeyValue(int(q.asInteger(QStringLiteral("ZALS_ID"))));
        Form4->Edit2->setDate(q.asDate(QStringLiteral("DATE1")));
        Form4->Edit4->setDate(q.asDate(QStringLiteral("DATE2")));
        Form4->selectManager(int(q.asInteger(QStringLiteral("OTV_ID"))));
    } catch (const platform::AppError&) {
        try {
            DM->Quk.close();
        } catch (const platform::AppError&) {
            // the failure being reported is the first one
        }
        throw;
    }
    Form4->exec();
    StringGrid1Click();
}

// ---- menu commands -------------------------------------------------------

void TForm1::N1Click()
{
    close();
}

void TForm1::N2Click()
{
    Form4->EnabledEdit(false);
    MC->setSelectedDate(platform::today());
    Form4->exec();
    MCClick();
}

void TForm1::N4Click()
{
    MC->setSelectedDate(platform::today());
    Form2->exec();
    MCClick();
}

void TForm1::N3Click()
{
    MC->setSelectedDate(platform::today());
    MCClick();
}

void TForm1::N5Click()
{
    if (!data::ConfirmDeletion())
        return;
    const QString statement = data::sql::bookingDelete(StringGrid1->row(), StringGrid1->cell(StringGrid1->col(), 0));
    data::RunWriteStatement({statement}, nullptr, {&DM->qAll});
    data::restartDataset(DM->qAll);
}

void TForm1::N6Click()
{
    Form6->exec();
    applyRights();
}

QImage TForm1::clientAreaImage()
{
    return centralWidget()->grab().toImage();
}

void TForm1::N8Click()
{
    QPrinter printer(QPrinter::HighResolution);
    if (!platform::dialogs()->printDialog(printer))
        return;
    const QImage image = clientAreaImage();
    QPainter painter;
    if (!painter.begin(&printer))
        throw platform::AppError(QStringLiteral("Не удалось начать печать на принтере \"%1\"").arg(printer.printerName()));
    const qint64 w = image.width(), h = image.height();
    const qint64 W = printer.width(), H = printer.height();
    QSize size;
    const qint64 scaledWidth = (w * H + h / 2) / h;
    if (scaledWidth < W)
        size = QSize(int(scaledWidth), int(H));
    else
        size = QSize(int(W), int((h * W + w / 2) / w));
    painter.drawImage(QRect(QPoint(0, 0), size), image);
    if (!painter.end())
        throw platform::AppError(QStringLiteral("Печать не удалась"));
}

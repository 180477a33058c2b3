#pragma once

#include "board/Occupancy.h"

#include <QMainWindow>
#include <vector>

class QAction;
class QCalendarWidget;
class QComboBox;
class QDateEdit;
class QLabel;
class QLineEdit;
class QMenu;
class QPushButton;
class QSplitter;

namespace platform { class BoardGrid; }
namespace board { class ManagerLegend; }
class LiveBoard;

// The occupancy board: rooms as rows, days as columns, every booking painted
// as a band in its manager's colour.
class TForm1 : public QMainWindow {
    Q_OBJECT
public:
    explicit TForm1(QWidget* parent = nullptr);
    ~TForm1() override;

    QWidget* Panel2 = nullptr;
    QWidget* Panel3 = nullptr;
    QDateEdit* DT1 = nullptr;
    QDateEdit* DT2 = nullptr;
    QPushButton* Button1 = nullptr;
    QCalendarWidget* MC = nullptr;
    QLabel* Label1 = nullptr;
    QLineEdit* Edit1 = nullptr;
    QLabel* Label2 = nullptr;
    QLineEdit* Edit2 = nullptr;
    QLabel* Label3 = nullptr;
    QLineEdit* Edit3 = nullptr;
    QLabel* Label4 = nullptr;
    QLineEdit* Edit4 = nullptr;
    QSplitter* Splitter1 = nullptr;
    QWidget* Panel1 = nullptr;
    platform::BoardGrid* StringGrid1 = nullptr;
    QComboBox* Box = nullptr;
    // Below the panels: whose colour is whose.
    board::ManagerLegend* Legend = nullptr;

    QMenuBar* MainMenu1 = nullptr;
    QMenu* N1 = nullptr;      // "Меню"
    QAction* N8 = nullptr;    // "Печать"
    QAction* N9 = nullptr;    // "Выход"
    QAction* N2 = nullptr;    // "Бронь"
    QAction* N4 = nullptr;    // "Менеджер"
    QAction* N7 = nullptr;    // "Обновить"
    QAction* N6 = nullptr;    // "Логин"
    QMenu* PopupMenu1 = nullptr;
    QAction* N3 = nullptr;    // "Обновить"
    QAction* N5 = nullptr;    // "Удалить"

    // Handlers; each runs inside the general error report.
    void FormCreate();
    void FormShow();
    void FormActivate();
    bool FormCloseQuery();
    void Button1Click();
    void MCClick();
    void BoxChange();
    void Splitter1Moved();
    void StringGrid1Click();
    void StringGrid1DblClick();
    void StringGrid1DrawCell(QPainter& painter, int col, int row, const QRect& rect);
    void N8Click();
    void N1Click();
    void N2Click();
    void N4Click();
    void N3Click();
    void N5Click();
    void N6Click();

    // The current cell moved by the board: the click handler runs, and its
    // failure ends the caller as if the handler had been called directly.
    void setCurrentCol(int col);
    void setCurrentRow(int row);
    // Select the last column, then the target, so the target scrolls to the left edge.
    void columnJump(int col);
    // What hovering over a cell shows: every booking covering it, in qAll's
    // order; empty for a free cell and the headers.
    QString cellToolTip(int col, int row);
    // The managers 1 to Otv of conf.ini with their colours and names, as now.
    void refreshLegend();
    // The image that "Печать" prints: the client area as drawn on screen.
    QImage clientAreaImage();
    // Following the database and merging queued key presses.
    LiveBoard* live() const { return m_live; }

protected:
    void showEvent(QShowEvent* event) override;
    void closeEvent(QCloseEvent* event) override;
    bool event(QEvent* event) override;
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    void buildControls();
    void buildMenus();
    void applyRights();
    void boxEdited(const QString& typed);
    // Today's and the weekend days' column headers.
    void drawHeader(QPainter& painter, int col, const QRect& rect);

    // Steps 4 to 6 of the selection: the booking that starts in the current cell.
    void showDetails();
    // Another desk's change: the bookings read again, the cell, the scrolling
    // and the calendar kept.
    void followDatabase();
    LiveBoard* m_live = nullptr;


    // The last key in the room search box typed a character (completion follows it).
    bool m_boxTyped = false;
    bool m_shown = false;
    bool m_activated = false;

    board::Occupancy m_occupancy;
    board::CellView m_cellView;
    int m_textAscent = 0;
};

extern TForm1* Form1;

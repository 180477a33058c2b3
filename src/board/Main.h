#pragma once

#include "app/ConfIni.h"

#include <QHash>
#include <QMainWindow>
#include <QSet>
#include <exception>
#include <functional>
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
    // The image that "Печать" prints: the client area as drawn on screen.
    QImage clientAreaImage();

protected:
    void showEvent(QShowEvent* event) override;
    void closeEvent(QCloseEvent* event) override;
    bool event(QEvent* event) override;
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    struct Booking {
        int day1, day2, otv;
        qsizetype row; // in qAll's order
    };
    // The bookings of one room: by arrival day for finding those covering a
    // day, and each manager with the first row that names it, for reading the
    // colours in the order the rows come.
    struct Room {
        std::vector<Booking> byArrival;
        int longestStay = 0;
        std::vector<std::pair<int, qsizetype>> managers;
    };
    void buildControls();
    void buildMenus();
    void applyRights();
    void rebuildIndex();
    int headerDay(int col);
    void boxEdited(const QString& typed);
    qsizetype bookingDrawnAt(int col, int row);
    // The bookings covering a day, in qAll's order.
    void covering(const Room& room, int day, std::vector<const Booking*>& out) const;
    // Settings converted once per content of conf.ini.
    qint32 managerCount(const app::ConfValues& conf);
    qint32 managerColor(const app::ConfValues& conf, int otv);
    void followConf(const app::ConfValues*& conf);
    const QString& dayText(int day);

    void moveCurrent(const std::function<void()>& move);
    int m_boardMoves = 0;
    std::exception_ptr m_moveFailure;

    bool m_shown = false;
    bool m_activated = false;

    quint64 m_indexGeneration = 0;
    QHash<int, Room> m_rooms;
    int m_clientColumn = -1, m_telColumn = -1, m_date1Column = -1;
    QHash<QString, int> m_headerDays;

    app::ConfCache m_conf;
    int m_confVersion = -1;
    bool m_managersKnown = false;
    qint32 m_managers = 0;
    QHash<int, qint32> m_colors;
    QSet<QString> m_paintFailures;
    std::vector<const Booking*> m_scratch;
    // The settings of the paint under way; null between paints.
    const app::ConfValues* m_paintConf = nullptr;
    int m_textAscent = 0;
    QHash<int, QString> m_dayTexts;
};

extern TForm1* Form1;

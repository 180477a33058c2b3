#pragma once

#include "app/ConfIni.h"

#include <QHash>
#include <QMainWindow>
#include <QSet>
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

    QWidget* Panel2;
    QWidget* Panel3;
    QDateEdit* DT1;
    QDateEdit* DT2;
    QPushButton* Button1;
    QCalendarWidget* MC;
    QLabel* Label1;
    QLineEdit* Edit1;
    QLabel* Label2;
    QLineEdit* Edit2;
    QLabel* Label3;
    QLineEdit* Edit3;
    QLabel* Label4;
    QLineEdit* Edit4;
    QSplitter* Splitter1;
    QWidget* Panel1;
    platform::BoardGrid* StringGrid1;
    QComboBox* Box;

    QMenuBar* MainMenu1;
    QMenu* N1;      // "Меню"
    QAction* N8;    // "Печать"
    QAction* N9;    // "Выход"
    QAction* N2;    // "Бронь"
    QAction* N4;    // "Менеджер"
    QAction* N7;    // "Обновить"
    QAction* N6;    // "Логин"
    QMenu* PopupMenu1;
    QAction* N3;    // "Обновить"
    QAction* N5;    // "Удалить"

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
        qsizetype row;
    };
    void buildControls();
    void buildMenus();
    void applyRights();
    void rebuildIndex();
    int headerDay(int col);
    void boxEdited(const QString& typed);
    qsizetype bookingDrawnAt(int col, int row);

    bool m_shown = false;
    bool m_activated = false;
    bool m_closing = false;

    // Rows of qAll by room, rebuilt once per opening of qAll.
    quint64 m_indexGeneration = 0;
    QHash<int, std::vector<Booking>> m_byRoom;
    int m_clientColumn = -1, m_telColumn = -1, m_date1Column = -1;
    QHash<QString, int> m_headerDays;

    app::ConfCache m_conf;
    // Converted settings, by their text.
    QHash<QString, qint32> m_intCache;
    QHash<QString, qint32> m_colorCache;
    QSet<QString> m_paintFailures;
    const app::ConfValues* m_paintConf = nullptr;
};

extern TForm1* Form1;

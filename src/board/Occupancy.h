#pragma once

#include "app/ConfIni.h"
#include "platform/AppError.h"

#include <QHash>
#include <QSet>
#include <QString>

#include <limits>
#include <optional>
#include <utility>
#include <vector>

namespace data { class Dataset; }

// What the board shows, without the board: which bookings of qAll cover a
// room on a day and which of them are drawn there in which colour. The
// answers are those of scanning every row of qAll for every cell and reading
// conf.ini for each booking; the rows are indexed once per opening of qAll
// and the settings converted once per content of the file.
namespace board {

// A header that names no day.
inline constexpr int kNoDay = std::numeric_limits<int>::min();

// One row of qAll. Days are the data layer's day numbers (data::Dataset::dayNumber).
struct Stay {
    int room;      // ZALS_ID
    int manager;   // OTV_ID
    int arrival;   // DATE1
    int departure; // DATE2
    qsizetype row; // in qAll's order, for reading its other fields

    bool covers(int day) const { return arrival <= day && day <= departure; }
};

// The managers' colours of conf.ini, section Color, as the painting sees them:
// the file is looked at again at the first question after expire(), and its
// values converted again only when its content changed.
class ManagerColors {
public:
    // The board calls this once per paint of the grid.
    void expire() { m_current = false; }
    // Looks at the file now.
    void refresh();

    // Key Otv, the number of managers that have a colour; fails like app::strToInt.
    qint32 managerCount();
    bool hasColor(int manager) { return manager >= 1 && manager <= managerCount(); }
    // Key c<manager>; fails like strToColor.
    qint32 color(int manager);

    // True the first time a failure text is seen since the file's content
    // last changed: a failure that comes back on every repaint is reported once.
    bool firstFailure(const QString& message);

private:
    // Looks at the file when expired.
    void follow();

    app::ConfCache m_conf;
    // The cache's own values, untouched until it looks at the file again.
    const app::ConfValues* m_values = nullptr;
    bool m_current = false;
    int m_version = -1;
    std::optional<qint32> m_managers;
    QHash<int, qint32> m_colors;
    QSet<QString> m_failures;
};

// One band drawn in a cell, in drawing order: later ones cover earlier ones.
struct Layer {
    const Stay* stay;
    qint32 color;
    bool guest; // the arrival day: the guest's name and telephone are written on it
};

// What one cell shows.
struct CellView {
    std::vector<Layer> layers;
    // A colour or the manager count that cannot be read: the layers before
    // the first row naming that manager are drawn, the rest of the cell not.
    std::optional<platform::AppError> failure;
};

class Occupancy {
public:
    // Indexes every row of bookings (qAll's field set). Stays and views
    // handed out before are invalid afterwards.
    void rebuild(const data::Dataset& bookings);
    // Rebuilds when bookings was opened again since the last build. False
    // when it is not open: then there is nothing to answer from.
    bool follow(const data::Dataset& bookings);

    // The day of a column header read with the regional short date form; kNoDay for none.
    int headerDay(const QString& header);

    // The stays of a room covering a day, in qAll's order, whatever their manager.
    void covering(int room, int day, std::vector<const Stay*>& out) const;
    std::vector<const Stay*> covering(int room, int day) const;

    // Whether two or more stays of the room, whatever their manager, take the
    // night of the day (data::shareNight): a change-over day is not one.
    bool doubleBooked(int room, int day) const;

    // What the painting draws in the cell of a room's row under a header.
    void cell(int room, const QString& header, CellView& out);
    // The stay whose band is drawn in that cell: the last one covering the
    // day whose manager has a colour; null for none. Looks at conf.ini now.
    const Stay* drawnAt(int room, const QString& header);

    ManagerColors& colors() { return m_colors; }
    // Columns of the indexed dataset, for reading a stay's other fields.
    int clientColumn() const { return m_clientColumn; }
    int telColumn() const { return m_telColumn; }

private:
    // A room's stays by arrival day, for finding those covering a day, and
    // each manager with the first row that names it, for reading the colours
    // in the order the rows come.
    struct Room {
        std::vector<Stay> byArrival;
        int longestStay = 0;
        std::vector<std::pair<int, qsizetype>> managers;
        // Runs of nights taken twice or more, [first, end), in order.
        std::vector<std::pair<int, int>> doubled;
    };
    void covering(const Room& room, int day, std::vector<const Stay*>& out) const;
    // A day in the regional short date form, as the data layer gives DATE1 as text.
    const QString& dayText(int day);

    quint64 m_generation = 0;
    bool m_built = false;
    QHash<int, Room> m_rooms;
    int m_clientColumn = -1, m_telColumn = -1;
    QHash<QString, int> m_headerDays;
    QHash<int, QString> m_dayTexts;
    ManagerColors m_colors;
    std::vector<const Stay*> m_scratch;
};

} // namespace board

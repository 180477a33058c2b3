#include "board/Occupancy.h"

#include "board/Colors.h"
#include "data/Dataset.h"
#include "platform/Regional.h"

#include <algorithm>

namespace board {

// ---- colours ---------------------------------------------------------------

void ManagerColors::refresh()
{
    m_values = &m_conf.values();
    m_current = true;
    if (m_conf.contentVersion() != m_version) {
        m_version = m_conf.contentVersion();
        m_managers.reset();
        m_colors.clear();
        m_failures.clear();
    }
}

void ManagerColors::follow()
{
    if (!m_current)
        refresh();
}

qint32 ManagerColors::managerCount()
{
    follow();
    if (!m_managers)
        m_managers = app::strToInt(m_values->value(QStringLiteral("Color"), QStringLiteral("Otv")));
    return *m_managers;
}

qint32 ManagerColors::color(int manager)
{
    follow();
    const auto it = m_colors.constFind(manager);
    if (it != m_colors.constEnd())
        return *it;
    const qint32 color = strToColor(m_values->value(QStringLiteral("Color"), QStringLiteral("c") + QString::number(manager)));
    m_colors.insert(manager, color);
    return color;
}

bool ManagerColors::firstFailure(const QString& message)
{
    if (m_failures.contains(message))
        return false;
    m_failures.insert(message);
    return true;
}

// ---- the index -------------------------------------------------------------

namespace {

int toInt(qint64 value)
{
    return int(std::clamp<qint64>(value, std::numeric_limits<int>::min(), std::numeric_limits<int>::max()));
}

} // namespace

void Occupancy::rebuild(const data::Dataset& q)
{
    m_rooms.clear();
    m_generation = q.generation();
    m_built = true;
    const int zals = q.fieldIndex(QStringLiteral("ZALS_ID"));
    const int otv = q.fieldIndex(QStringLiteral("OTV_ID"));
    const int d1 = q.fieldIndex(QStringLiteral("DATE1"));
    const int d2 = q.fieldIndex(QStringLiteral("DATE2"));
    m_clientColumn = q.fieldIndex(QStringLiteral("CLIENT"));
    m_telColumn = q.fieldIndex(QStringLiteral("TEL"));
    const qsizetype rows = q.rowCount();
    for (qsizetype i = 0; i < rows; ++i) {
        const Stay s{toInt(q.integerAt(i, zals)), toInt(q.integerAt(i, otv)), q.dayNumberAt(i, d1),
                     q.dayNumberAt(i, d2), i};
        Room& r = m_rooms[s.room];
        r.byArrival.push_back(s);
        r.longestStay = std::max(r.longestStay, s.departure - s.arrival);
        if (std::none_of(r.managers.begin(), r.managers.end(), [&](const auto& m) { return m.first == s.manager; }))
            r.managers.emplace_back(s.manager, i);
    }
    std::vector<std::pair<int, int>> changes;
    for (Room& r : m_rooms) {
        std::stable_sort(r.byArrival.begin(), r.byArrival.end(),
                         [](const Stay& x, const Stay& y) { return x.arrival < y.arrival; });
        // The nights a stay takes: its arrival up to the day before it
        // leaves; leaving the day it arrives (or before) still takes that day.
        changes.clear();
        for (const Stay& st : r.byArrival) {
            changes.emplace_back(st.arrival, 1);
            changes.emplace_back(st.departure > st.arrival ? st.departure : st.arrival + 1, -1);
        }
        std::sort(changes.begin(), changes.end());
        int taken = 0;
        for (size_t i = 0; i < changes.size();) {
            const int day = changes[i].first;
            const int before = taken;
            for (; i < changes.size() && changes[i].first == day; ++i)
                taken += changes[i].second;
            if (before < 2 && taken >= 2)
                r.doubled.emplace_back(day, day);
            else if (before >= 2 && taken < 2)
                r.doubled.back().second = day;
        }
    }
}

bool Occupancy::doubleBooked(int room, int day) const
{
    const auto r = m_rooms.constFind(room);
    if (r == m_rooms.constEnd() || day == kNoDay)
        return false;
    const auto& runs = r->doubled;
    auto it = std::upper_bound(runs.begin(), runs.end(), day,
                               [](int d, const std::pair<int, int>& run) { return d < run.first; });
    return it != runs.begin() && day < std::prev(it)->second;
}

bool Occupancy::follow(const data::Dataset& q)
{
    if (!q.isOpen())
        return false;
    if (!m_built || m_generation != q.generation())
        rebuild(q);
    return true;
}

int Occupancy::headerDay(const QString& header)
{
    const auto it = m_headerDays.constFind(header);
    if (it != m_headerDays.constEnd())
        return *it;
    int day = kNoDay;
    if (!header.isEmpty()) {
        const QDate date = QDate::fromString(header, platform::shortDateFormat());
        if (date.isValid())
            day = data::Dataset::dayNumber(date);
    }
    if (m_headerDays.size() > 4096)
        m_headerDays.clear();
    m_headerDays.insert(header, day);
    return day;
}

const QString& Occupancy::dayText(int day)
{
    auto it = m_dayTexts.constFind(day);
    if (it == m_dayTexts.constEnd()) {
        if (m_dayTexts.size() > 4096)
            m_dayTexts.clear();
        it = m_dayTexts.insert(day, platform::dateToText(data::Dataset::dateOfDayNumber(day)));
    }
    return *it;
}

void Occupancy::covering(const Room& room, int day, std::vector<const Stay*>& out) const
{
    out.clear();
    const qint64 earliest = qint64(day) - room.longestStay;
    auto it = std::lower_bound(room.byArrival.begin(), room.byArrival.end(), earliest,
                               [](const Stay& s, qint64 d) { return s.arrival < d; });
    for (; it != room.byArrival.end() && it->arrival <= day; ++it)
        if (it->departure >= day)
            out.push_back(&*it);
    std::sort(out.begin(), out.end(), [](const Stay* x, const Stay* y) { return x->row < y->row; });
}

void Occupancy::covering(int room, int day, std::vector<const Stay*>& out) const
{
    const auto r = m_rooms.constFind(room);
    if (r == m_rooms.constEnd() || day == kNoDay)
        out.clear();
    else
        covering(*r, day, out);
}

std::vector<const Stay*> Occupancy::covering(int room, int day) const
{
    std::vector<const Stay*> out;
    covering(room, day, out);
    return out;
}

// ---- what a cell shows -----------------------------------------------------

void Occupancy::cell(int room, const QString& header, CellView& out)
{
    out.layers.clear();
    out.failure.reset();
    const auto r = m_rooms.constFind(room);
    if (r == m_rooms.constEnd())
        return;
    try {
        // Every row of the room reads its manager's colour, covering the day
        // or not, so the first row naming a manager whose colour cannot be
        // read ends the cell there.
        qsizetype stopAt = std::numeric_limits<qsizetype>::max();
        for (const auto& [manager, firstRow] : r->managers) {
            if (!m_colors.hasColor(manager))
                continue;
            try {
                m_colors.color(manager);
            } catch (const platform::AppError& e) {
                if (firstRow < stopAt) {
                    stopAt = firstRow;
                    out.failure = e;
                }
            }
        }
        const int day = headerDay(header);
        if (day == kNoDay)
            return;
        covering(*r, day, m_scratch);
        for (const Stay* s : m_scratch) {
            if (s->row >= stopAt)
                break;
            if (!m_colors.hasColor(s->manager))
                continue;
            out.layers.push_back({s, m_colors.color(s->manager), header == dayText(s->arrival)});
        }
    } catch (const platform::AppError& e) {
        out.failure = e;
    }
}

const Stay* Occupancy::drawnAt(int room, const QString& header)
{
    const auto r = m_rooms.constFind(room);
    const int day = headerDay(header);
    if (r == m_rooms.constEnd() || day == kNoDay)
        return nullptr;
    m_colors.refresh();
    // An unreadable count fails the question even where nothing covers the day.
    m_colors.managerCount();
    std::vector<const Stay*> found;
    covering(*r, day, found);
    for (auto it = found.rbegin(); it != found.rend(); ++it)
        if (m_colors.hasColor((*it)->manager))
            return *it;
    return nullptr;
}

} // namespace board

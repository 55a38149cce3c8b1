// SPDX-License-Identifier: GPL-3.0-or-later
#include "route/RouteDocument.h"

#include "route/Announcements.h"
#include "route/SheetText.h"
#include "run/Timetable.h"
#include "sound/ReadingList.h"

#include <QUndoCommand>

#include <algorithm>
#include <limits>

namespace {

// Commands that merge while the same cell is typed into.
enum MergeId {
    kMergeName = 1,
    kMergeTicket,
    kMergeStopReading,
    kMergeFare,
    kMergeTapeText,
    kMergeTapeStep,
    kMergeTapePre,
    kMergeArrival,
    kMergeDeparture,
};

// Every edit is a pair of changes to the document, each setting what it
// changes outright; so a merged command keeps its own undo and takes the
// later command's redo.
class Edit final : public QUndoCommand {
public:
    Edit(const QString& text, std::function<void()> redo, std::function<void()> undo, int id,
         quint64 key)
        : QUndoCommand(text), m_redo(std::move(redo)), m_undo(std::move(undo)), m_id(id), m_key(key)
    {
    }

    void redo() override { m_redo(); }
    void undo() override { m_undo(); }
    int id() const override { return m_id; }
    bool mergeWith(const QUndoCommand* other) override
    {
        // Only Edits are pushed, and ids are this file's own.
        const auto* o = static_cast<const Edit*>(other);
        if (o->m_key != m_key)
            return false;
        m_redo = o->m_redo;
        return true;
    }

private:
    std::function<void()> m_redo;
    std::function<void()> m_undo;
    int m_id = -1;
    quint64 m_key = 0;
};

bool IsInt16(int v)
{
    return v >= std::numeric_limits<qint16>::min() && v <= std::numeric_limits<qint16>::max();
}

QString OneLine(QString text)
{
    for (QChar& c : text)
        if (c == u'\r' || c == u'\n' || c == u'\t')
            c = u' ';
    return text;
}

// A name as the board shows it and every file gives it back.
QString NameForm(const QString& name)
{
    return Cp932Forms(OneLine(name));
}

// A text the announcement list can hold.
QString TapeTextForm(const QString& text)
{
    return SpokenName(OneLine(text));
}

quint64 CellKey(int row, RouteField field, int ticket)
{
    return quint64(quint32(row + 1)) << 32 | quint64(int(field)) << 16 | quint64(ticket);
}

// The smallest ticket numbers no stop issues, count of them (0 when none is left).
QList<qint16> UnusedTickets(const QList<RouteStop>& stops, int count)
{
    std::array<bool, kFareColumns + 1> used{};
    for (const RouteStop& s : stops)
        if (s.record.SeiriNo >= 1 && s.record.SeiriNo <= kFareColumns)
            used[size_t(s.record.SeiriNo)] = true;
    QList<qint16> out;
    for (int t = 1; t <= kFareColumns && out.size() < count; ++t)
        if (!used[size_t(t)])
            out << qint16(t);
    while (out.size() < count)
        out << qint16(0);
    return out;
}

bool CanMove(int row, int count, int destination, qsizetype size)
{
    return row >= 0 && count >= 1 && row + count <= size && destination >= 0 &&
           destination <= size && (destination < row || destination > row + count);
}

// Where a moved block is afterwards, and the move that puts it back.
void MoveBack(int row, int count, int destination, int& backRow, int& backDestination)
{
    if (destination > row) {
        backRow = destination - count;
        backDestination = row;
    } else {
        backRow = destination;
        backDestination = row + count;
    }
}

template <typename T> void MoveBlock(QList<T>& list, int row, int count, int destination)
{
    const QList<T> block = list.mid(row, count);
    list.remove(row, count);
    list.insert(destination > row ? destination - count : destination, block.size(), T{});
    std::copy(block.begin(), block.end(),
              list.begin() + (destination > row ? destination - count : destination));
}

} // namespace

QString PasteResult::summary() const
{
    QString s = QStringLiteral("%1 個の欄に貼り付けました").arg(cells);
    if (!refused.isEmpty()) {
        const Refused& r = refused.first();
        const QString column = fares           ? QStringLiteral("整理券%1").arg(r.column)
                               : r.column == 1 ? QStringLiteral("整理券番号")
                               : r.column == 2 ? QStringLiteral("読み")
                               : r.column == 3 ? QStringLiteral("着")
                                               : QStringLiteral("発");
        s += QStringLiteral("。貼り付けられない %1 個の欄はそのままです (%2行目 %3「%4」%5)")
                 .arg(QString::number(refused.size()), QString::number(r.row + 1), column, r.text,
                      refused.size() > 1 ? QStringLiteral("など") : QString());
    }
    if (rowsCut > 0 || columnsCut > 0)
        s += QStringLiteral("。表の外にはみ出した %1 行 %2 列は貼り付けていません")
                 .arg(rowsCut)
                 .arg(columnsCut);
    return s + u'。';
}

RouteDocument::RouteDocument(QObject* parent) : QObject(parent)
{
    refresh();
}

RouteDocument::~RouteDocument()
{
    // The commands call back into the document: gone before it is.
    m_stack.clear();
}

void RouteDocument::reset(const RouteData& data)
{
    emit aboutToReset();
    m_stack.clear();
    m_data = data;
    for (RouteStop& s : m_data.stops)
        s.record.Fare[0] = 0;
    m_readingMap = ReadingMap(m_data.readings);
    refresh();
    emit wasReset();
}

RouteSaveResult RouteDocument::save(const QString& fareFolder, const QString& tapeFolder,
                                    int routeNo)
{
    const RouteSaveResult saved = SaveRoute(m_data, fareFolder, tapeFolder, routeNo);
    if (!saved.ok)
        return saved;
    m_stack.setClean();
    // A list written over one that could not be read is ours now: emptied, it
    // is written again.
    const RouteFileNames names = RouteFilePaths(fareFolder, tapeFolder, routeNo);
    const std::pair<RouteTextForm*, QString> lists[] = {{&m_data.tapeForm, names.tape},
                                                        {&m_data.readingForm, names.readings},
                                                        {&m_data.timetableForm, names.timetable}};
    for (const auto& [form, path] : lists) {
        if (form->state == RouteFileState::Unreadable && saved.written.contains(path)) {
            *form = RouteTextForm{};
            form->state = RouteFileState::Missing;
        }
    }
    return saved;
}

QString RouteDocument::reading(int row) const
{
    return m_readingMap.value(SpokenName(stop(row).StopName));
}

QList<RouteFinding> RouteDocument::findingsAt(int row, RouteField field, int ticket) const
{
    QList<RouteFinding> out;
    for (int i : m_findingsByCell.value(CellKey(row, field, ticket)))
        out << m_findings[i];
    return out;
}

// --- Keeping up

void RouteDocument::push(const QString& text, std::function<void()> redo,
                         std::function<void()> undo, int mergeId, quint64 mergeKey)
{
    m_stack.push(new Edit(text, std::move(redo), std::move(undo), mergeId, mergeKey));
}

void RouteDocument::refresh()
{
    m_held = HeldAtStops(m_data.stops);
    m_tapeStops = TapeStops(m_data.tape, stopCount());
    m_timeProblems = TimeProblems(m_data.stops);
    refreshFindings();
}

void RouteDocument::refreshFindings()
{
    m_findings = CheckRoute(StopRecords(m_data.stops));
    m_findingsByCell.clear();
    for (qsizetype i = 0; i < m_findings.size(); ++i) {
        const RouteFinding& f = m_findings[i];
        m_findingsByCell[CellKey(f.stop, f.field, f.ticket)] << int(i);
    }
}

void RouteDocument::stopsDone(int fromRow, const QList<TapeStop>& tapeStopsBefore)
{
    // Who holds which ticket may change from the first stop touched on.
    if (fromRow < stopCount())
        emit faresChanged(fromRow, stopCount() - 1, 1, kFareColumns);
    if (m_tapeStops != tapeStopsBefore)
        emit tapeStopsChanged();
    emit findingsChanged();
}

void RouteDocument::putStops(int row, int removeCount, const QList<RouteStop>& insert)
{
    const QList<TapeStop> before = m_tapeStops;
    if (removeCount > 0) {
        emit stopsAboutToBeRemoved(row, row + removeCount - 1);
        m_data.stops.remove(row, removeCount);
        refresh();
        emit stopsRemoved(row, row + removeCount - 1);
    }
    if (!insert.isEmpty()) {
        const int last = row + int(insert.size()) - 1;
        emit stopsAboutToBeInserted(row, last);
        m_data.stops.insert(row, insert.size(), RouteStop{});
        std::copy(insert.begin(), insert.end(), m_data.stops.begin() + row);
        refresh();
        emit stopsInserted(row, last);
    }
    stopsDone(row, before);
}

void RouteDocument::setStopsAt(int row, const QList<RouteStop>& stops)
{
    const QList<TapeStop> before = m_tapeStops;
    std::copy(stops.begin(), stops.end(), m_data.stops.begin() + row);
    refresh();
    emit stopsChanged(row, row + int(stops.size()) - 1);
    stopsDone(row, before);
}

void RouteDocument::shiftStops(int row, int count, int destination)
{
    const QList<TapeStop> before = m_tapeStops;
    emit stopsAboutToBeMoved(row, row + count - 1, destination);
    MoveBlock(m_data.stops, row, count, destination);
    refresh();
    emit stopsMoved(row, row + count - 1, destination);
    stopsDone(qMin(row, destination), before);
}

void RouteDocument::putFares(const FareBlock& block)
{
    for (int r = 0; r < block.rows; ++r) {
        StopRecord& rec = m_data.stops[block.row + r].record;
        for (int c = 0; c < block.columns; ++c)
            rec.Fare[size_t(block.ticket + c)] = block.values[r * block.columns + c];
    }
    refreshFindings();
    emit faresChanged(block.row, block.row + block.rows - 1, block.ticket,
                      block.ticket + block.columns - 1);
    emit findingsChanged();
}

void RouteDocument::putTape(int index, int removeCount, const QList<RouteTapeLine>& insert)
{
    const QList<TapeStop> before = m_tapeStops;
    if (removeCount > 0) {
        emit tapeAboutToBeRemoved(index, index + removeCount - 1);
        m_data.tape.remove(index, removeCount);
        m_tapeStops = TapeStops(m_data.tape, stopCount());
        emit tapeRemoved(index, index + removeCount - 1);
    }
    if (!insert.isEmpty()) {
        const int last = index + int(insert.size()) - 1;
        emit tapeAboutToBeInserted(index, last);
        m_data.tape.insert(index, insert.size(), RouteTapeLine{});
        std::copy(insert.begin(), insert.end(), m_data.tape.begin() + index);
        m_tapeStops = TapeStops(m_data.tape, stopCount());
        emit tapeInserted(index, last);
    }
    if (m_tapeStops != before)
        emit tapeStopsChanged();
}

void RouteDocument::setTapeAt(int index, const QList<RouteTapeLine>& lines)
{
    const QList<TapeStop> before = m_tapeStops;
    std::copy(lines.begin(), lines.end(), m_data.tape.begin() + index);
    m_tapeStops = TapeStops(m_data.tape, stopCount());
    emit tapeChanged(index, index + int(lines.size()) - 1);
    if (m_tapeStops != before)
        emit tapeStopsChanged();
}

void RouteDocument::shiftTape(int index, int count, int destination)
{
    const QList<TapeStop> before = m_tapeStops;
    emit tapeAboutToBeMoved(index, index + count - 1, destination);
    MoveBlock(m_data.tape, index, count, destination);
    m_tapeStops = TapeStops(m_data.tape, stopCount());
    emit tapeMoved(index, index + count - 1, destination);
    if (m_tapeStops != before)
        emit tapeStopsChanged();
}

void RouteDocument::putReadings(const QList<RouteReadingLine>& lines)
{
    m_data.readings = lines;
    m_readingMap = ReadingMap(lines);
    emit readingsChanged();
}

// --- Stops

bool RouteDocument::setStopName(int row, const QString& name)
{
    if (row < 0 || row >= stopCount())
        return false;
    const RouteStop before = m_data.stops[row];
    RouteStop after = before;
    after.record.StopName = NameForm(name);
    if (after.record.StopName == before.record.StopName)
        return true;
    after.nameBytes.clear();
    push(
        QStringLiteral("停留所名の変更"), [=, this] { setStopsAt(row, {after}); },
        [=, this] { setStopsAt(row, {before}); }, kMergeName, quint64(row));
    return true;
}

bool RouteDocument::setTicket(int row, int ticket)
{
    if (row < 0 || row >= stopCount() || !IsInt16(ticket))
        return false;
    const RouteStop before = m_data.stops[row];
    if (before.record.SeiriNo == ticket)
        return true;
    RouteStop after = before;
    after.record.SeiriNo = qint16(ticket);
    push(
        QStringLiteral("整理券番号の変更"), [=, this] { setStopsAt(row, {after}); },
        [=, this] { setStopsAt(row, {before}); }, kMergeTicket, quint64(row));
    return true;
}

bool RouteDocument::setStopReading(int row, const QString& reading)
{
    if (row < 0 || row >= stopCount())
        return false;
    return changeReading(SpokenName(stop(row).StopName), reading, kMergeStopReading, quint64(row));
}

bool RouteDocument::setStopTime(int row, bool departure, std::optional<int> seconds)
{
    if (row < 0 || row >= stopCount() ||
        (seconds && (*seconds < 0 || *seconds > kTimetableMaxSeconds)))
        return false;
    const RouteStop before = m_data.stops[row];
    RouteStop after = before;
    (departure ? after.departure : after.arrival) = seconds;
    if (after == before)
        return true;
    push(
        departure ? QStringLiteral("発車時刻の変更") : QStringLiteral("到着時刻の変更"),
        [=, this] { setStopsAt(row, {after}); }, [=, this] { setStopsAt(row, {before}); },
        departure ? kMergeDeparture : kMergeArrival, quint64(row));
    return true;
}

bool RouteDocument::insertStops(int row, int count)
{
    if (count < 1 || count > kRouteMaxStops)
        return false;
    QList<StopRecord> stops(count);
    const QList<qint16> tickets = UnusedTickets(m_data.stops, count);
    for (int i = 0; i < count; ++i)
        stops[i].SeiriNo = tickets[i];
    return insertStops(row, stops);
}

bool RouteDocument::insertStops(int row, const QList<StopRecord>& stops)
{
    if (row < 0 || row > stopCount() || stops.isEmpty() ||
        stopCount() + stops.size() > kRouteMaxStops)
        return false;
    QList<RouteStop> insert;
    for (StopRecord rec : stops) {
        rec.StopName = NameForm(rec.StopName);
        rec.Fare[0] = 0;
        insert << RouteStop{rec, {}, {}, {}};
    }
    const int count = int(insert.size());
    push(
        QStringLiteral("停留所の挿入"), [=, this] { putStops(row, 0, insert); },
        [=, this] { putStops(row, count, {}); });
    return true;
}

bool RouteDocument::removeStops(int row, int count)
{
    if (row < 0 || count < 1 || row + count > stopCount())
        return false;
    const QList<RouteStop> removed = m_data.stops.mid(row, count);
    push(
        QStringLiteral("停留所の削除"), [=, this] { putStops(row, count, {}); },
        [=, this] { putStops(row, 0, removed); });
    return true;
}

bool RouteDocument::moveStops(int row, int count, int destination)
{
    if (!CanMove(row, count, destination, m_data.stops.size()))
        return false;
    int backRow = 0;
    int backDestination = 0;
    MoveBack(row, count, destination, backRow, backDestination);
    push(
        QStringLiteral("停留所の移動"), [=, this] { shiftStops(row, count, destination); },
        [=, this] { shiftStops(backRow, count, backDestination); });
    return true;
}

// --- Fares

RouteDocument::FareBlock RouteDocument::blockAt(int row, int ticket, int rows, int columns) const
{
    FareBlock b{row, ticket, rows, columns, {}};
    b.values.reserve(qsizetype(rows) * columns);
    for (int r = 0; r < rows; ++r)
        for (int c = 0; c < columns; ++c)
            b.values << fare(row + r, ticket + c);
    return b;
}

bool RouteDocument::setFare(int row, int ticket, int value)
{
    if (row < 0 || row >= stopCount() || ticket < 1 || ticket > kFareColumns || !IsInt16(value))
        return false;
    const FareBlock before = blockAt(row, ticket, 1, 1);
    if (before.values.first() == value)
        return true;
    FareBlock after = before;
    after.values[0] = qint16(value);
    push(
        QStringLiteral("運賃の変更"), [=, this] { putFares(after); },
        [=, this] { putFares(before); }, kMergeFare, quint64(row) << 8 | quint64(ticket));
    return true;
}

PasteResult RouteDocument::pasteFares(int row, int ticket, const QString& text)
{
    PasteResult result;
    if (row < 0 || row >= stopCount() || ticket < 1 || ticket > kFareColumns)
        return result;
    const SheetCells cells = ParseSheetText(text, stopCount() - row, kFareColumns - ticket + 1);
    result.rowsCut = cells.rowsBeyond;
    result.columnsCut = cells.columnsBeyond;
    int columns = 0;
    for (const QStringList& r : cells.rows)
        columns = qMax(columns, int(r.size()));
    if (cells.rows.isEmpty())
        return result;
    const FareBlock before = blockAt(row, ticket, int(cells.rows.size()), columns);
    FareBlock after = before;
    for (int r = 0; r < int(cells.rows.size()); ++r) {
        for (int c = 0; c < int(cells.rows[r].size()); ++c) {
            const QString& cell = cells.rows[r][c];
            if (const std::optional<qint16> v = SheetNumber(cell)) {
                after.values[r * columns + c] = *v;
                ++result.cells;
            } else {
                result.refused.append({row + r, ticket + c, cell});
            }
        }
    }
    if (result.cells > 0)
        push(
            QStringLiteral("運賃の貼り付け"), [=, this] { putFares(after); },
            [=, this] { putFares(before); });
    return result;
}

PasteResult RouteDocument::pasteStops(int row, int column, const QString& text)
{
    PasteResult result;
    result.fares = false;
    // Only names make new stops.
    const int lastRow = column == 0 ? kRouteMaxStops : stopCount();
    if (row < 0 || row > stopCount() || row >= lastRow || column < 0 || column > 4)
        return result;
    const SheetCells cells = ParseSheetText(text, lastRow - row, 5 - column);
    result.rowsCut = cells.rowsBeyond;
    result.columnsCut = cells.columnsBeyond;
    if (cells.rows.isEmpty())
        return result;
    const int n = stopCount();
    const int rows = int(cells.rows.size());
    const int overlap = qMin(rows, n - row);
    const int added = rows - overlap;
    const QList<RouteStop> before = m_data.stops.mid(row, overlap);
    QList<RouteStop> after = before;
    QList<RouteStop> fresh(added);
    const QList<qint16> tickets = UnusedTickets(m_data.stops, added);
    for (int i = 0; i < added; ++i)
        fresh[i].record.SeiriNo = tickets[i];
    QList<RouteReadingLine> newReadings = m_data.readings;
    for (int r = 0; r < rows; ++r) {
        RouteStop& s = r < overlap ? after[r] : fresh[r - overlap];
        const QStringList& line = cells.rows[r];
        for (int c = 0; c < int(line.size()); ++c) {
            const int field = column + c;
            if (field == 0) {
                const QString name = NameForm(line[c]);
                if (name != s.record.StopName)
                    s.nameBytes.clear();
                s.record.StopName = name;
            } else if (field == 1) {
                const std::optional<qint16> v = SheetNumber(line[c]);
                if (!v) {
                    result.refused.append({row + r, 1, line[c]});
                    continue;
                }
                s.record.SeiriNo = *v;
            } else if (field >= 3) {
                // An empty cell is a stop without that time.
                std::optional<int> seconds;
                if (!line[c].trimmed().isEmpty()) {
                    seconds = ParseTimetableTime(line[c]);
                    if (!seconds) {
                        result.refused.append({row + r, field, line[c]});
                        continue;
                    }
                }
                (field == 3 ? s.arrival : s.departure) = seconds;
            } else {
                const QString written = SpokenName(s.record.StopName);
                if (written.trimmed().isEmpty() || written.size() > kReadingMaxWrittenChars) {
                    result.refused.append({row + r, 2, line[c]});
                    continue;
                }
                newReadings = withReading(newReadings, written, line[c]);
            }
            ++result.cells;
        }
    }
    if (result.cells == 0 && added == 0)
        return result;
    const QList<RouteReadingLine> readingsBefore = m_data.readings;
    const bool readingsChange = newReadings != readingsBefore;
    push(
        QStringLiteral("停留所の貼り付け"),
        [=, this] {
            if (overlap > 0)
                setStopsAt(row, after);
            if (added > 0)
                putStops(n, 0, fresh);
            if (readingsChange)
                putReadings(newReadings);
        },
        [=, this] {
            if (readingsChange)
                putReadings(readingsBefore);
            if (added > 0)
                putStops(n, added, {});
            if (overlap > 0)
                setStopsAt(row, before);
        });
    return result;
}

QString RouteDocument::copyFares(int firstRow, int lastRow, int firstTicket, int lastTicket) const
{
    QList<QStringList> rows;
    firstRow = qMax(firstRow, 0);
    lastRow = qMin(lastRow, stopCount() - 1);
    firstTicket = qMax(firstTicket, 1);
    lastTicket = qMin(lastTicket, kFareColumns);
    for (int r = firstRow; r <= lastRow; ++r) {
        QStringList cells;
        for (int k = firstTicket; k <= lastTicket; ++k)
            cells << QString::number(fare(r, k));
        if (!cells.isEmpty())
            rows << cells;
    }
    return WriteSheetText(rows);
}

QString RouteDocument::copyStops(int firstRow, int lastRow, int firstColumn, int lastColumn) const
{
    QList<QStringList> rows;
    firstRow = qMax(firstRow, 0);
    lastRow = qMin(lastRow, stopCount() - 1);
    firstColumn = qMax(firstColumn, 0);
    lastColumn = qMin(lastColumn, 4);
    const auto time = [](const std::optional<int>& t) {
        return t ? FormatTimetableTime(*t) : QString();
    };
    for (int r = firstRow; r <= lastRow; ++r) {
        QStringList cells;
        for (int c = firstColumn; c <= lastColumn; ++c)
            cells << (c == 0   ? stop(r).StopName
                      : c == 1 ? QString::number(stop(r).SeiriNo)
                      : c == 2 ? reading(r)
                      : c == 3 ? time(m_data.stops[r].arrival)
                               : time(m_data.stops[r].departure));
        if (!cells.isEmpty())
            rows << cells;
    }
    return WriteSheetText(rows);
}

QString RouteDocument::applyFill(const FareFill& fill, const QString& what)
{
    if (!fill.ok)
        return fill.error;
    if (stopCount() == 0)
        return {};
    const FareBlock before = blockAt(0, 1, stopCount(), kFareColumns);
    FareBlock after = before;
    for (int r = 0; r < stopCount(); ++r)
        std::copy(fill.rows[r].begin() + 1, fill.rows[r].end(),
                  after.values.begin() + qsizetype(r) * kFareColumns);
    if (after.values != before.values)
        push(
            what, [=, this] { putFares(after); }, [=, this] { putFares(before); });
    return {};
}

QString RouteDocument::fillFlat(int fare)
{
    return applyFill(FillFlat(m_data.stops, fare), QStringLiteral("均一運賃で埋める"));
}

QString RouteDocument::fillZones(const QList<int>& zoneOfStop, const QList<QList<int>>& fareFromTo)
{
    return applyFill(FillZones(m_data.stops, zoneOfStop, fareFromTo),
                     QStringLiteral("ゾーン運賃で埋める"));
}

QString RouteDocument::fillDistance(const QList<double>& kmOfStop, const DistanceRule& rule)
{
    return applyFill(FillDistance(m_data.stops, kmOfStop, rule),
                     QStringLiteral("距離運賃で埋める"));
}

// --- Announcements

bool RouteDocument::editTape(int index, const QString& what, int mergeId,
                             const std::function<void(RouteTapeLine&)>& change)
{
    if (index < 0 || index >= tapeCount())
        return false;
    const RouteTapeLine before = m_data.tape[index];
    RouteTapeLine after = before;
    change(after);
    if (after.text == before.text && after.stepFlag == before.stepFlag &&
        after.preFlag == before.preFlag)
        return true;
    after.raw.clear();
    push(
        what, [=, this] { setTapeAt(index, {after}); }, [=, this] { setTapeAt(index, {before}); },
        mergeId, quint64(index));
    return true;
}

bool RouteDocument::setTapeText(int index, const QString& text)
{
    const QString t = TapeTextForm(text);
    return editTape(index, QStringLiteral("放送文の変更"), kMergeTapeText,
                    [&t](RouteTapeLine& l) { l.text = t; });
}

bool RouteDocument::setTapeStepFlag(int index, int flag)
{
    if (!IsInt16(flag))
        return false;
    return editTape(index, QStringLiteral("送りの変更"), kMergeTapeStep,
                    [flag](RouteTapeLine& l) { l.stepFlag = qint16(flag); });
}

bool RouteDocument::setTapePreFlag(int index, int flag)
{
    if (!IsInt16(flag))
        return false;
    return editTape(index, QStringLiteral("チャイムの変更"), kMergeTapePre,
                    [flag](RouteTapeLine& l) { l.preFlag = qint16(flag); });
}

bool RouteDocument::insertTape(int index, int count)
{
    if (count < 1 || count > kTapeMaxEntries)
        return false;
    return insertTape(index, QList<TapeEntry>(count));
}

bool RouteDocument::insertTape(int index, const QList<TapeEntry>& entries)
{
    if (index < 0 || index > tapeCount() || entries.isEmpty() ||
        tapeCount() + entries.size() > kTapeMaxEntries)
        return false;
    QList<RouteTapeLine> insert;
    for (const TapeEntry& e : entries)
        insert << RouteTapeLine{TapeTextForm(e.TapeText), e.TapeStepFlag, e.TapePreFlag, {}};
    const int count = int(insert.size());
    push(
        QStringLiteral("放送の挿入"), [=, this] { putTape(index, 0, insert); },
        [=, this] { putTape(index, count, {}); });
    return true;
}

bool RouteDocument::removeTape(int index, int count)
{
    if (index < 0 || count < 1 || index + count > tapeCount())
        return false;
    const QList<RouteTapeLine> removed = m_data.tape.mid(index, count);
    push(
        QStringLiteral("放送の削除"), [=, this] { putTape(index, count, {}); },
        [=, this] { putTape(index, 0, removed); });
    return true;
}

bool RouteDocument::moveTape(int index, int count, int destination)
{
    if (!CanMove(index, count, destination, m_data.tape.size()))
        return false;
    int backIndex = 0;
    int backDestination = 0;
    MoveBack(index, count, destination, backIndex, backDestination);
    push(
        QStringLiteral("放送の移動"), [=, this] { shiftTape(index, count, destination); },
        [=, this] { shiftTape(backIndex, count, backDestination); });
    return true;
}

bool RouteDocument::makeStopAnnouncements()
{
    QStringList names;
    for (const RouteStop& s : m_data.stops)
        names << s.record.StopName;
    QList<RouteTapeLine> made;
    for (const TapeEntry& e : StopAnnouncements(names))
        made << RouteTapeLine{e.TapeText, e.TapeStepFlag, e.TapePreFlag, {}};
    const QList<RouteTapeLine> before = m_data.tape;
    if (made == before)
        return true;
    const int oldCount = int(before.size());
    const int newCount = int(made.size());
    push(
        QStringLiteral("「次は」の放送を作る"), [=, this] { putTape(0, oldCount, made); },
        [=, this] { putTape(0, newCount, before); });
    return true;
}

// --- Readings

QList<RouteReadingLine> RouteDocument::withReading(QList<RouteReadingLine> lines,
                                                   const QString& written,
                                                   const QString& reading) const
{
    const QString kana = OneLine(reading).trimmed();
    if (kana.isEmpty()) {
        lines.removeIf([&written](const RouteReadingLine& l) { return l.written == written; });
        return lines;
    }
    // The last line of a form is the one the program reads.
    for (qsizetype i = lines.size() - 1; i >= 0; --i) {
        if (lines[i].written != written)
            continue;
        if (lines[i].reading != kana)
            lines[i] = RouteReadingLine{written, kana, {}};
        return lines;
    }
    lines << RouteReadingLine{written, kana, {}};
    return lines;
}

bool RouteDocument::changeReading(const QString& written, const QString& reading, int mergeId,
                                  quint64 mergeKey)
{
    if (written.trimmed().isEmpty() || written.size() > kReadingMaxWrittenChars ||
        written != OneLine(written))
        return false;
    const QList<RouteReadingLine> before = m_data.readings;
    const QList<RouteReadingLine> after = withReading(before, written, reading);
    if (after == before)
        return true;
    push(
        QStringLiteral("読みの変更"), [=, this] { putReadings(after); },
        [=, this] { putReadings(before); }, mergeId, mergeKey);
    return true;
}

bool RouteDocument::setReading(const QString& written, const QString& reading)
{
    return changeReading(written, reading, -1, 0);
}

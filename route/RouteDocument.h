// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

// The route the editor has open: a RouteData, the undo stack of its edits,
// and signals that say what changed, so table models can follow.
//
// For the editor: the windows read through the getters and change the route
// only through the edit calls, each of which pushes one command onto
// undoStack() (typing in one cell again merges into the last command). Rows
// are stops (0-based, running order); fare columns are ticket numbers 1..150;
// announcement entries are 0-based. The signals come in the pairs Qt's item
// models need: "about to" before a change of rows, the other after it, with
// the arguments beginInsertRows / beginRemoveRows / beginMoveRows take.
// findings() is the route's rule check (RouteRules.h), kept up to date.

#include "route/FareFill.h"
#include "route/RouteData.h"
#include "route/RouteFiles.h"
#include "route/RouteRules.h"
#include "sound/TapeData.h"

#include <QHash>
#include <QObject>
#include <QUndoStack>

// What a paste did, for the status line.
struct PasteResult {
    struct Refused {
        int row = 0;
        int column = 0; // the ticket number of a fare; else the stop table's column
        QString text;
    };
    bool fares = true;        // into the fare matrix, else into the stop table
    int cells = 0;            // cells set
    QList<Refused> refused;   // cells left as they were: not a number, or no name to read
    qsizetype rowsCut = 0;    // rows beyond the table's edge, left out
    qsizetype columnsCut = 0; // columns beyond it

    // One Japanese sentence saying what was pasted and what was not.
    QString summary() const;
};

class RouteDocument final : public QObject {
    Q_OBJECT
public:
    explicit RouteDocument(QObject* parent = nullptr);
    ~RouteDocument() override;

    // A route anew (opened, new, imported): not an edit; the undo stack is
    // emptied and clean.
    void reset(const RouteData& data);
    const RouteData& data() const { return m_data; }
    QUndoStack* undoStack() { return &m_stack; }

    // SaveRoute; when saved, the undo stack is clean, and a list the program
    // could not read is from then on the one saved.
    RouteSaveResult save(const QString& fareFolder, const QString& tapeFolder, int routeNo);

    // --- Stops and fares
    int stopCount() const { return int(m_data.stops.size()); }
    const StopRecord& stop(int row) const { return m_data.stops[row].record; }
    // The reading list's entry for the stop's name; empty when it has none.
    QString reading(int row) const;
    // The timetable's arrival or departure at the stop; nullopt when none.
    std::optional<int> stopTime(int row, bool departure) const
    {
        return departure ? m_data.stops[row].departure : m_data.stops[row].arrival;
    }
    // Why the time cannot be saved (it is before one above it); empty when it can.
    QString timeProblem(int row, bool departure) const
    {
        return m_timeProblems[qsizetype(row) * 2 + (departure ? 1 : 0)];
    }
    qint16 fare(int row, int ticket) const { return stop(row).Fare[size_t(ticket)]; }
    // Whether a passenger can hold the ticket at the stop (RouteData.h).
    bool isHeld(int row, int ticket) const { return m_held[row].test(size_t(ticket)); }

    // Names lose line breaks and take CP932's forms (〜 becomes ～).
    bool setStopName(int row, const QString& name);
    bool setTicket(int row, int ticket);
    // The reading of the stop's name; empty removes it.
    bool setStopReading(int row, const QString& reading);
    // A time of the timetable at the stop (seconds after midnight of the
    // service day, up to 47:59:59); nullopt removes it.
    bool setStopTime(int row, bool departure, std::optional<int> seconds);
    // New stops take the smallest ticket numbers no stop issues.
    bool insertStops(int row, int count);
    bool insertStops(int row, const QList<StopRecord>& stops);
    bool removeStops(int row, int count);
    // Qt's convention: the rows go before destination, counted before the move.
    bool moveStops(int row, int count, int destination);

    bool setFare(int row, int ticket, int fare);
    // Spreadsheet text (SheetText.h) with its top left at the cell; clipped
    // at the matrix's edge. Cells that are not numbers are left as they were.
    PasteResult pasteFares(int row, int ticket, const QString& text);
    // Into the stop table: column 0 name, 1 ticket number, 2 reading,
    // 3 arrival, 4 departure (h:mm or h:mm:ss; empty for none). From
    // the name column, rows past the last stop become new stops, up to 301.
    PasteResult pasteStops(int row, int column, const QString& text);
    QString copyFares(int firstRow, int lastRow, int firstTicket, int lastTicket) const;
    QString copyStops(int firstRow, int lastRow, int firstColumn, int lastColumn) const;

    // The fills of FareFill.h, each one command; empty on success, else why not.
    QString fillFlat(int fare);
    QString fillZones(const QList<int>& zoneOfStop, const QList<QList<int>>& fareFromTo);
    QString fillDistance(const QList<double>& kmOfStop, const DistanceRule& rule);

    // The rule check of the whole route, and the findings on one cell.
    const QList<RouteFinding>& findings() const { return m_findings; }
    QList<RouteFinding> findingsAt(int row, RouteField field, int ticket = 0) const;

    // --- Announcements
    int tapeCount() const { return int(m_data.tape.size()); }
    const RouteTapeLine& tapeLine(int index) const { return m_data.tape[index]; }
    // The stop the board shows once the tape is on the entry.
    TapeStop tapeStop(int index) const { return m_tapeStops[index]; }

    // Texts lose line breaks and double quotes (the list has no escape for one).
    bool setTapeText(int index, const QString& text);
    bool setTapeStepFlag(int index, int flag);
    bool setTapePreFlag(int index, int flag);
    bool insertTape(int index, int count);
    bool insertTape(int index, const QList<TapeEntry>& entries);
    bool removeTape(int index, int count);
    bool moveTape(int index, int count, int destination);
    // The whole list anew from the stop names, as the GTFS export makes it
    // (Announcements.h).
    bool makeStopAnnouncements();

    // --- Readings (written form -> kana)
    const QHash<QString, QString>& readings() const { return m_readingMap; }
    // Empty reading removes the form; false for an empty or too long form.
    bool setReading(const QString& written, const QString& reading);

signals:
    void aboutToReset();
    void wasReset();

    void stopsAboutToBeInserted(int first, int last);
    void stopsInserted(int first, int last);
    void stopsAboutToBeRemoved(int first, int last);
    void stopsRemoved(int first, int last);
    void stopsAboutToBeMoved(int first, int last, int destination);
    void stopsMoved(int first, int last, int destination);
    void stopsChanged(int first, int last); // name, ticket number
    // Values, or whether somebody holds them.
    void faresChanged(int firstRow, int lastRow, int firstTicket, int lastTicket);

    void tapeAboutToBeInserted(int first, int last);
    void tapeInserted(int first, int last);
    void tapeAboutToBeRemoved(int first, int last);
    void tapeRemoved(int first, int last);
    void tapeAboutToBeMoved(int first, int last, int destination);
    void tapeMoved(int first, int last, int destination);
    void tapeChanged(int first, int last);
    // Which stop some entries lead to.
    void tapeStopsChanged();

    void readingsChanged();
    void findingsChanged();

private:
    struct FareBlock {
        int row = 0;
        int ticket = 1;
        int rows = 0;
        int columns = 0;
        QList<qint16> values; // row by row
    };

    void push(const QString& text, std::function<void()> redo, std::function<void()> undo,
              int mergeId = -1, quint64 mergeKey = 0);

    // The changes commands make, with their signals.
    void putStops(int row, int removeCount, const QList<RouteStop>& insert);
    void setStopsAt(int row, const QList<RouteStop>& stops);
    void shiftStops(int row, int count, int destination);
    void putFares(const FareBlock& block);
    void putTape(int index, int removeCount, const QList<RouteTapeLine>& insert);
    void setTapeAt(int index, const QList<RouteTapeLine>& lines);
    void shiftTape(int index, int count, int destination);
    void putReadings(const QList<RouteReadingLine>& lines);

    // What follows from the route's content, kept before any signal goes out.
    void refresh();
    void refreshFindings();
    void stopsDone(int fromRow, const QList<TapeStop>& tapeStopsBefore);
    bool changeReading(const QString& written, const QString& reading, int mergeId,
                       quint64 mergeKey);

    FareBlock blockAt(int row, int ticket, int rows, int columns) const;
    bool editTape(int index, const QString& what, int mergeId,
                  const std::function<void(RouteTapeLine&)>& change);
    QString applyFill(const FareFill& fill, const QString& what);
    QList<RouteReadingLine> withReading(QList<RouteReadingLine> lines, const QString& written,
                                        const QString& reading) const;

    RouteData m_data;
    QUndoStack m_stack;
    QList<HeldTickets> m_held;
    QList<TapeStop> m_tapeStops;
    QHash<QString, QString> m_readingMap;
    QList<RouteFinding> m_findings;
    QStringList m_timeProblems;
    QHash<quint64, QList<int>> m_findingsByCell; // cell key -> indexes into m_findings
};

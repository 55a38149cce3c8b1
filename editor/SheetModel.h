// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

// The route editor's tables as Qt item models over one RouteDocument, with
// the spreadsheet operations the window offers on every table (copy, paste,
// clear, insert, delete and move rows) in the table's own cells. Every
// change goes through the document's undoable edits; the models follow its
// signals. No widgets here: the window stays a thin layer over these.

#include "route/RouteDocument.h"

#include <QAbstractTableModel>
#include <QColor>
#include <QList>
#include <QRect>

class SheetModel : public QAbstractTableModel {
    Q_OBJECT
public:
    explicit SheetModel(RouteDocument& doc, QObject* parent = nullptr);

    RouteDocument& document() const { return m_doc; }

    // Cells are given as rectangles of the table: x columns, y rows.
    virtual QString copyCells(const QRect& cells) const = 0;
    // Spreadsheet text with its top left at the cell; what was pasted, for
    // the status line.
    virtual QString pasteCells(int row, int column, const QString& text) = 0;
    // Empties the cells as one undoable step.
    virtual void clearCells(const QList<QRect>& cells) = 0;
    virtual bool insertSheetRows(int row, int count) = 0;
    virtual bool removeSheetRows(int row, int count) = 0;
    // Qt's convention: the rows go before destination, counted before the move.
    virtual bool moveSheetRows(int row, int count, int destination) = 0;
    // The stop (0-based) a row shows on the board; -1 for none.
    virtual int stopOfRow(int row) const = 0;
    // Where this table shows a finding; invalid when it does not.
    virtual QModelIndex indexOfFinding(const RouteFinding& finding) const;

    // The colours every table marks its cells with.
    static QColor ErrorBackground();
    static QColor WarningBackground();
    static QColor UnusedBackground();
    static QColor UnusedText();

signals:
    // An entry that was not taken (not a number, say), for the status line.
    void message(const QString& text);

protected:
    // Background and tool tip of a cell with findings; invalid when none.
    static QVariant findingData(const QList<RouteFinding>& findings, int role);
    // A macro around several edits, so one undo takes them all back.
    void beginBatch(const QString& text, qsizetype edits);
    void endBatch(qsizetype edits);
    // Rows moved, inserted or removed as the document says.
    void followStopRows();
    void followTapeRows();

private:
    RouteDocument& m_doc;
};

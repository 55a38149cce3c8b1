// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

// A table of the route editor, as a spreadsheet is used: typing replaces a
// cell, Enter or F2 edits it, Enter after typing commits and goes down,
// rows are dragged by their header to move them. The commands on the
// selection (copy, paste, rows) belong to the window, which works on the
// view's SheetModel.

#include "editor/SheetModel.h"

#include <QStyledItemDelegate>
#include <QTableView>

class SheetView final : public QTableView {
    Q_OBJECT
public:
    explicit SheetView(QWidget* parent = nullptr);

    SheetModel* sheet() const { return qobject_cast<SheetModel*>(model()); }

    // The selected rectangles (x columns, y rows); the current cell when
    // nothing is selected; none when there is no current cell either.
    QList<QRect> selectedRects() const;
    // The smallest rectangle around them.
    QRect selectionBounds() const;
    // The rows with a selected cell, as one block when they are contiguous
    // and hold the current row; else the current row alone.
    bool selectedRowBlock(int& first, int& count) const;
    // Makes the cell current and selected, scrolled into view.
    void goTo(const QModelIndex& index);

signals:
    // The row of the current cell, whenever it changes (-1: none).
    void currentRowChanged(int row);

protected:
    void keyPressEvent(QKeyEvent* event) override;
    void currentChanged(const QModelIndex& current, const QModelIndex& previous) override;

protected slots:
    void closeEditor(QWidget* editor, QAbstractItemDelegate::EndEditHint hint) override;

private:
    void headerMoved(int logical, int from, int to);
    bool m_restoringHeader = false;
};

// The editors of the cells: line edits, with the stop name checked against
// what the fare data file can hold as it is typed (the status line says how
// many bytes it takes, or which character cannot be written).
class SheetDelegate final : public QStyledItemDelegate {
    Q_OBJECT
public:
    // nameColumn: the column of stop names; -1 for none.
    explicit SheetDelegate(int nameColumn, QObject* parent = nullptr);

    QWidget* createEditor(QWidget* parent, const QStyleOptionViewItem& option,
                          const QModelIndex& index) const override;

signals:
    void nameChecked(const QString& message, bool ok);

private:
    int m_nameColumn = -1;
};

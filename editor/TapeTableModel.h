// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

// The announcement entries in their order: the text spoken, whether the
// board steps with the tape onto the entry, the chime before it, and the
// stop the board shows once the tape is on it (what the step flags lead to,
// shown, not edited).

#include "editor/SheetModel.h"

class TapeTableModel final : public SheetModel {
    Q_OBJECT
public:
    enum Column { TextColumn, StepColumn, ChimeColumn, StopColumn, ColumnCount };

    explicit TapeTableModel(RouteDocument& doc, QObject* parent = nullptr);

    int rowCount(const QModelIndex& parent = {}) const override;
    int columnCount(const QModelIndex& parent = {}) const override;
    QVariant data(const QModelIndex& index, int role = Qt::DisplayRole) const override;
    QVariant headerData(int section, Qt::Orientation orientation,
                        int role = Qt::DisplayRole) const override;
    Qt::ItemFlags flags(const QModelIndex& index) const override;
    bool setData(const QModelIndex& index, const QVariant& value, int role = Qt::EditRole) override;

    // Copies the stop column too; pasting skips it.
    QString copyCells(const QRect& cells) const override;
    // Rows past the last entry become new entries.
    QString pasteCells(int row, int column, const QString& text) override;
    void clearCells(const QList<QRect>& cells) override;
    bool insertSheetRows(int row, int count) override;
    bool removeSheetRows(int row, int count) override;
    bool moveSheetRows(int row, int count, int destination) override;
    int stopOfRow(int row) const override;

private:
    void stopColumnChanged();
};

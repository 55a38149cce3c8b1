// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

// The stops in running order: name as the board shows it, the ticket number
// issued there, the reading of the name, the timetable's arrival and
// departure (hh:mm, or hh:mm:ss when the seconds are not zero). The columns are those the
// document's stop paste takes, so a spreadsheet's rectangle goes in as it is.

#include "editor/SheetModel.h"

class StopTableModel final : public SheetModel {
    Q_OBJECT
public:
    enum Column {
        NameColumn,
        TicketColumn,
        ReadingColumn,
        ArrivalColumn,
        DepartureColumn,
        ColumnCount
    };

    explicit StopTableModel(RouteDocument& doc, QObject* parent = nullptr);

    int rowCount(const QModelIndex& parent = {}) const override;
    int columnCount(const QModelIndex& parent = {}) const override;
    QVariant data(const QModelIndex& index, int role = Qt::DisplayRole) const override;
    QVariant headerData(int section, Qt::Orientation orientation,
                        int role = Qt::DisplayRole) const override;
    Qt::ItemFlags flags(const QModelIndex& index) const override;
    bool setData(const QModelIndex& index, const QVariant& value, int role = Qt::EditRole) override;

    QString copyCells(const QRect& cells) const override;
    QString pasteCells(int row, int column, const QString& text) override;
    void clearCells(const QList<QRect>& cells) override;
    bool insertSheetRows(int row, int count) override;
    bool removeSheetRows(int row, int count) override;
    bool moveSheetRows(int row, int count, int destination) override;
    int stopOfRow(int row) const override { return row; }
    QModelIndex indexOfFinding(const RouteFinding& finding) const override;
};

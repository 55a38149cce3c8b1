// SPDX-License-Identifier: GPL-3.0-or-later
#include "editor/FareTableModel.h"

#include "editor/EditorRules.h"
#include "route/SheetText.h"

FareTableModel::FareTableModel(RouteDocument& doc, QObject* parent) : SheetModel(doc, parent)
{
    followStopRows();
    connect(&doc, &RouteDocument::faresChanged, this,
            [this](int firstRow, int lastRow, int firstTicket, int lastTicket) {
                emit dataChanged(index(firstRow, firstTicket - 1), index(lastRow, lastTicket - 1));
            });
    connect(&doc, &RouteDocument::stopsChanged, this,
            [this](int first, int last) { emit headerDataChanged(Qt::Vertical, first, last); });
    connect(&doc, &RouteDocument::findingsChanged, this, [this] {
        if (rowCount() > 0)
            emit dataChanged(index(0, 0), index(rowCount() - 1, kFareColumns - 1),
                             {Qt::BackgroundRole, Qt::ToolTipRole});
    });
}

int FareTableModel::rowCount(const QModelIndex& parent) const
{
    return parent.isValid() ? 0 : document().stopCount();
}

int FareTableModel::columnCount(const QModelIndex& parent) const
{
    return parent.isValid() ? 0 : kFareColumns;
}

QVariant FareTableModel::data(const QModelIndex& index, int role) const
{
    if (!checkIndex(index, CheckIndexOption::IndexIsValid))
        return {};
    const RouteDocument& doc = document();
    const int row = index.row();
    const int ticket = index.column() + 1;
    switch (role) {
    case Qt::DisplayRole:
    case Qt::EditRole:
        return QString::number(doc.fare(row, ticket));
    case Qt::TextAlignmentRole:
        return int(Qt::AlignRight | Qt::AlignVCenter);
    case Qt::BackgroundRole:
        if (const QVariant v = findingData(doc.findingsAt(row, RouteField::Fare, ticket), role);
            v.isValid())
            return v;
        return doc.isHeld(row, ticket) ? QVariant() : QVariant(UnusedBackground());
    case Qt::ForegroundRole:
        return doc.isHeld(row, ticket) ? QVariant() : QVariant(UnusedText());
    case Qt::ToolTipRole:
        if (const QVariant v = findingData(doc.findingsAt(row, RouteField::Fare, ticket), role);
            v.isValid())
            return v;
        if (!doc.isHeld(row, ticket))
            return QStringLiteral("整理券%1番はこの停留所までに出ていないため、この運賃は"
                                  "使われません")
                .arg(ticket);
        return {};
    default:
        return {};
    }
}

QVariant FareTableModel::headerData(int section, Qt::Orientation orientation, int role) const
{
    if (orientation == Qt::Horizontal) {
        if (role == Qt::DisplayRole)
            return section + 1;
        if (role == Qt::ToolTipRole)
            return QStringLiteral("整理券%1番の運賃").arg(section + 1);
        return {};
    }
    if (section < 0 || section >= rowCount())
        return {};
    if (role == Qt::DisplayRole)
        return QStringLiteral("%1 %2").arg(section + 1).arg(document().stop(section).StopName);
    if (role == Qt::ToolTipRole)
        return QStringLiteral("%1番目の停留所「%2」(整理券%3番を出す)")
            .arg(section + 1)
            .arg(document().stop(section).StopName)
            .arg(document().stop(section).SeiriNo);
    return {};
}

Qt::ItemFlags FareTableModel::flags(const QModelIndex& index) const
{
    if (!index.isValid())
        return Qt::NoItemFlags;
    return Qt::ItemIsSelectable | Qt::ItemIsEnabled | Qt::ItemIsEditable;
}

bool FareTableModel::setData(const QModelIndex& index, const QVariant& value, int role)
{
    if (role != Qt::EditRole || !checkIndex(index, CheckIndexOption::IndexIsValid))
        return false;
    const QString text = value.toString();
    if (const std::optional<qint16> v = SheetNumber(text))
        return document().setFare(index.row(), index.column() + 1, *v);
    emit message(
        QStringLiteral("運賃「%1」は -32768～32767 の数ではないため、そのままです").arg(text));
    return false;
}

QString FareTableModel::copyCells(const QRect& cells) const
{
    return document().copyFares(cells.top(), cells.bottom(), cells.left() + 1, cells.right() + 1);
}

QString FareTableModel::pasteCells(int row, int column, const QString& text)
{
    return document().pasteFares(row, column + 1, text).summary();
}

void FareTableModel::clearCells(const QList<QRect>& cells)
{
    beginBatch(QStringLiteral("運賃の消去"), cells.size());
    for (const QRect& r : cells)
        document().pasteFares(r.top(), r.left() + 1,
                              UniformSheetText(QStringLiteral("0"), r.height(), r.width()));
    endBatch(cells.size());
}

bool FareTableModel::insertSheetRows(int row, int count)
{
    return document().insertStops(row, count);
}

bool FareTableModel::removeSheetRows(int row, int count)
{
    return document().removeStops(row, count);
}

bool FareTableModel::moveSheetRows(int row, int count, int destination)
{
    return document().moveStops(row, count, destination);
}

QModelIndex FareTableModel::indexOfFinding(const RouteFinding& finding) const
{
    if (finding.field != RouteField::Fare || finding.stop < 0 || finding.stop >= rowCount() ||
        finding.ticket < 1 || finding.ticket > kFareColumns)
        return {};
    return index(finding.stop, finding.ticket - 1);
}

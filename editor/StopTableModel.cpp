// SPDX-License-Identifier: GPL-3.0-or-later
#include "editor/StopTableModel.h"

#include "route/SheetText.h"
#include "run/Timetable.h"

StopTableModel::StopTableModel(RouteDocument& doc, QObject* parent) : SheetModel(doc, parent)
{
    followStopRows();
    connect(&doc, &RouteDocument::stopsChanged, this, [this](int first, int last) {
        emit dataChanged(index(first, 0), index(last, ColumnCount - 1));
        emit headerDataChanged(Qt::Vertical, first, last);
    });
    // A name's reading may serve several stops of the same name.
    connect(&doc, &RouteDocument::readingsChanged, this, [this] {
        if (rowCount() > 0)
            emit dataChanged(index(0, ReadingColumn), index(rowCount() - 1, ReadingColumn));
    });
    connect(&doc, &RouteDocument::findingsChanged, this, [this] {
        if (rowCount() > 0)
            emit dataChanged(index(0, NameColumn), index(rowCount() - 1, ColumnCount - 1),
                             {Qt::BackgroundRole, Qt::ToolTipRole});
    });
}

int StopTableModel::rowCount(const QModelIndex& parent) const
{
    return parent.isValid() ? 0 : document().stopCount();
}

int StopTableModel::columnCount(const QModelIndex& parent) const
{
    return parent.isValid() ? 0 : ColumnCount;
}

QVariant StopTableModel::data(const QModelIndex& index, int role) const
{
    if (!checkIndex(index, CheckIndexOption::IndexIsValid))
        return {};
    const RouteDocument& doc = document();
    const int row = index.row();
    switch (role) {
    case Qt::DisplayRole:
    case Qt::EditRole:
        switch (index.column()) {
        case NameColumn:
            return doc.stop(row).StopName;
        case TicketColumn:
            return QString::number(doc.stop(row).SeiriNo);
        case ArrivalColumn:
        case DepartureColumn: {
            const std::optional<int> t = doc.stopTime(row, index.column() == DepartureColumn);
            return t ? FormatTimetableTime(*t) : QString();
        }
        default:
            return doc.reading(row);
        }
    case Qt::TextAlignmentRole:
        if (index.column() == TicketColumn || index.column() >= ArrivalColumn)
            return int(Qt::AlignRight | Qt::AlignVCenter);
        return {};
    case Qt::BackgroundRole:
    case Qt::ToolTipRole:
        if (index.column() >= ArrivalColumn) {
            // A time before one above it: the route cannot be saved so.
            RouteFinding f;
            f.error = true;
            f.message = doc.timeProblem(row, index.column() == DepartureColumn);
            return f.message.isEmpty() ? QVariant() : findingData({f}, role);
        }
        if (index.column() == ReadingColumn)
            return {};
        return findingData(doc.findingsAt(row, index.column() == NameColumn ? RouteField::Name
                                                                            : RouteField::Ticket),
                           role);
    default:
        return {};
    }
}

QVariant StopTableModel::headerData(int section, Qt::Orientation orientation, int role) const
{
    if (orientation == Qt::Vertical)
        return role == Qt::DisplayRole ? QVariant(section + 1) : QVariant();
    if (role == Qt::DisplayRole) {
        switch (section) {
        case NameColumn:
            return QStringLiteral("停留所名");
        case TicketColumn:
            return QStringLiteral("整理券番号");
        case ReadingColumn:
            return QStringLiteral("読み");
        case ArrivalColumn:
            return QStringLiteral("着");
        case DepartureColumn:
            return QStringLiteral("発");
        }
    }
    if (role == Qt::ToolTipRole) {
        switch (section) {
        case NameColumn:
            return QStringLiteral("表示器に出る名前 (運賃データに書けるのはCP932の文字だけ)");
        case TicketColumn:
            return QStringLiteral("この停留所で出る整理券の番号");
        case ReadingColumn:
            return QStringLiteral("放送で名前を読むときのかな (読みのファイルに入ります)");
        case ArrivalColumn:
            return QStringLiteral("時刻表の到着時刻 (hh:mm か hh:mm:ss。0時を過ぎたら 24:10 "
                                  "のように。空欄は時刻なし)");
        case DepartureColumn:
            return QStringLiteral("時刻表の発車時刻 (hh:mm か hh:mm:ss。0時を過ぎたら 24:10 "
                                  "のように。空欄は時刻なし)");
        }
    }
    return {};
}

Qt::ItemFlags StopTableModel::flags(const QModelIndex& index) const
{
    if (!index.isValid())
        return Qt::NoItemFlags;
    return Qt::ItemIsSelectable | Qt::ItemIsEnabled | Qt::ItemIsEditable;
}

bool StopTableModel::setData(const QModelIndex& index, const QVariant& value, int role)
{
    if (role != Qt::EditRole || !checkIndex(index, CheckIndexOption::IndexIsValid))
        return false;
    RouteDocument& doc = document();
    const QString text = value.toString();
    switch (index.column()) {
    case NameColumn:
        return doc.setStopName(index.row(), text);
    case TicketColumn:
        if (const std::optional<qint16> n = SheetNumber(text))
            return doc.setTicket(index.row(), *n);
        emit message(QStringLiteral("整理券番号「%1」は数ではないため、そのままです").arg(text));
        return false;
    case ArrivalColumn:
    case DepartureColumn: {
        const bool departure = index.column() == DepartureColumn;
        if (text.trimmed().isEmpty())
            return doc.setStopTime(index.row(), departure, std::nullopt);
        if (const std::optional<int> t = ParseTimetableTime(text))
            return doc.setStopTime(index.row(), departure, *t);
        emit message(
            QStringLiteral("%1「%2」は時刻ではないため、そのままです (hh:mm か "
                           "hh:mm:ss、0:00～47:59:59)")
                .arg(departure ? QStringLiteral("発車時刻") : QStringLiteral("到着時刻"), text));
        return false;
    }
    default:
        if (doc.setStopReading(index.row(), text))
            return true;
        emit message(QStringLiteral("名前のない停留所には読みを付けられません"));
        return false;
    }
}

QString StopTableModel::copyCells(const QRect& cells) const
{
    return document().copyStops(cells.top(), cells.bottom(), cells.left(), cells.right());
}

QString StopTableModel::pasteCells(int row, int column, const QString& text)
{
    return document().pasteStops(row, column, text).summary();
}

void StopTableModel::clearCells(const QList<QRect>& cells)
{
    beginBatch(QStringLiteral("停留所の消去"), cells.size());
    for (const QRect& r : cells) {
        // An empty ticket is not a number: cleared tickets become 0.
        QStringList row;
        for (int c = r.left(); c <= r.right(); ++c)
            row << (c == TicketColumn ? QStringLiteral("0") : QString());
        document().pasteStops(r.top(), r.left(),
                              WriteSheetText(QList<QStringList>(r.height(), row)));
    }
    endBatch(cells.size());
}

bool StopTableModel::insertSheetRows(int row, int count)
{
    return document().insertStops(row, count);
}

bool StopTableModel::removeSheetRows(int row, int count)
{
    return document().removeStops(row, count);
}

bool StopTableModel::moveSheetRows(int row, int count, int destination)
{
    return document().moveStops(row, count, destination);
}

QModelIndex StopTableModel::indexOfFinding(const RouteFinding& finding) const
{
    if (finding.stop < 0 || finding.stop >= rowCount())
        return {};
    if (finding.field == RouteField::Name)
        return index(finding.stop, NameColumn);
    if (finding.field == RouteField::Ticket)
        return index(finding.stop, TicketColumn);
    return {};
}

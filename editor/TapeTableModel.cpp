// SPDX-License-Identifier: GPL-3.0-or-later
#include "editor/TapeTableModel.h"

#include "route/SheetText.h"

namespace {

// One cell's change, gathered before any is made, so that a step of several
// is one undo and a step of none leaves no empty undo behind.
struct TapeChange {
    int index = 0;
    int column = 0;
    QString text;
    int flag = 0;
};

} // namespace

TapeTableModel::TapeTableModel(RouteDocument& doc, QObject* parent) : SheetModel(doc, parent)
{
    followTapeRows();
    connect(&doc, &RouteDocument::tapeChanged, this, [this](int first, int last) {
        emit dataChanged(index(first, 0), index(last, ColumnCount - 1));
    });
    // The stop column shows names and where the steps lead: any change of stops.
    connect(&doc, &RouteDocument::tapeStopsChanged, this, &TapeTableModel::stopColumnChanged);
    for (auto signal : {&RouteDocument::stopsInserted, &RouteDocument::stopsRemoved,
                        &RouteDocument::stopsChanged})
        connect(&doc, signal, this, &TapeTableModel::stopColumnChanged);
    connect(&doc, &RouteDocument::stopsMoved, this, &TapeTableModel::stopColumnChanged);
}

void TapeTableModel::stopColumnChanged()
{
    if (rowCount() > 0)
        emit dataChanged(index(0, StopColumn), index(rowCount() - 1, StopColumn));
}

int TapeTableModel::rowCount(const QModelIndex& parent) const
{
    return parent.isValid() ? 0 : document().tapeCount();
}

int TapeTableModel::columnCount(const QModelIndex& parent) const
{
    return parent.isValid() ? 0 : ColumnCount;
}

QVariant TapeTableModel::data(const QModelIndex& index, int role) const
{
    if (!checkIndex(index, CheckIndexOption::IndexIsValid))
        return {};
    const RouteDocument& doc = document();
    const RouteTapeLine& line = doc.tapeLine(index.row());
    switch (index.column()) {
    case TextColumn:
        if (role == Qt::DisplayRole || role == Qt::EditRole)
            return line.text;
        return {};
    case StepColumn:
        if (role == Qt::CheckStateRole)
            return line.stepFlag == 1 ? Qt::Checked : Qt::Unchecked;
        // Values other than 0 and 1 do not step; shown so they are not taken for 0.
        if (role == Qt::DisplayRole && line.stepFlag != 0 && line.stepFlag != 1)
            return QString::number(line.stepFlag);
        if (role == Qt::ToolTipRole)
            return QStringLiteral("入: この放送に進むと運賃表示も1つ進みます");
        return {};
    case ChimeColumn:
        if (role == Qt::DisplayRole)
            return line.preFlag == 0 ? QStringLiteral("なし") : QString::number(line.preFlag);
        if (role == Qt::EditRole)
            return QString::number(line.preFlag);
        if (role == Qt::TextAlignmentRole)
            return int(Qt::AlignCenter);
        if (role == Qt::ToolTipRole)
            return QStringLiteral("放送の前に鳴らすチャイム: 1～3、0 はなし");
        return {};
    default: {
        if (doc.stopCount() == 0)
            return {};
        const TapeStop stop = doc.tapeStop(index.row());
        if (role == Qt::DisplayRole) {
            QString s = QStringLiteral("%1 %2").arg(stop.row + 1).arg(doc.stop(stop.row).StopName);
            if (stop.beyondEnd)
                s += QStringLiteral(" (終点を越えて送れません)");
            return s;
        }
        if (role == Qt::BackgroundRole)
            return stop.beyondEnd ? QVariant(WarningBackground()) : QVariant();
        if (role == Qt::ForegroundRole)
            return UnusedText();
        if (role == Qt::ToolTipRole)
            return stop.beyondEnd ? QStringLiteral("この放送の「送り」は最後の停留所を越えるため、"
                                                   "運賃表示は最後の停留所のままです")
                                  : QStringLiteral("この放送に進んだときに表示器が示す停留所");
        return {};
    }
    }
}

QVariant TapeTableModel::headerData(int section, Qt::Orientation orientation, int role) const
{
    if (orientation == Qt::Vertical)
        return role == Qt::DisplayRole ? QVariant(section + 1) : QVariant();
    if (role != Qt::DisplayRole)
        return {};
    switch (section) {
    case TextColumn:
        return QStringLiteral("放送文");
    case StepColumn:
        return QStringLiteral("送り");
    case ChimeColumn:
        return QStringLiteral("チャイム");
    case StopColumn:
        return QStringLiteral("表示する停留所");
    }
    return {};
}

Qt::ItemFlags TapeTableModel::flags(const QModelIndex& index) const
{
    if (!index.isValid())
        return Qt::NoItemFlags;
    switch (index.column()) {
    case StepColumn:
        return Qt::ItemIsSelectable | Qt::ItemIsEnabled | Qt::ItemIsUserCheckable;
    case StopColumn:
        return Qt::ItemIsSelectable | Qt::ItemIsEnabled;
    default:
        return Qt::ItemIsSelectable | Qt::ItemIsEnabled | Qt::ItemIsEditable;
    }
}

bool TapeTableModel::setData(const QModelIndex& index, const QVariant& value, int role)
{
    if (!checkIndex(index, CheckIndexOption::IndexIsValid))
        return false;
    RouteDocument& doc = document();
    const int row = index.row();
    if (index.column() == StepColumn && role == Qt::CheckStateRole)
        return doc.setTapeStepFlag(row, value.value<Qt::CheckState>() == Qt::Checked ? 1 : 0);
    if (role != Qt::EditRole)
        return false;
    if (index.column() == TextColumn)
        return doc.setTapeText(row, value.toString());
    if (index.column() == ChimeColumn) {
        if (const std::optional<qint16> n = SheetNumber(value.toString()))
            return doc.setTapePreFlag(row, *n);
        emit message(
            QStringLiteral("チャイム「%1」は数ではないため、そのままです").arg(value.toString()));
    }
    return false;
}

QString TapeTableModel::copyCells(const QRect& cells) const
{
    QList<QStringList> rows;
    for (int r = qMax(cells.top(), 0); r <= qMin(cells.bottom(), rowCount() - 1); ++r) {
        const RouteTapeLine& line = document().tapeLine(r);
        QStringList row;
        for (int c = qMax(cells.left(), 0); c <= qMin(cells.right(), ColumnCount - 1); ++c) {
            const QModelIndex i = index(r, c);
            row << (c == StepColumn    ? QString::number(line.stepFlag)
                    : c == ChimeColumn ? QString::number(line.preFlag)
                                       : data(i).toString());
        }
        rows << row;
    }
    return WriteSheetText(rows);
}

QString TapeTableModel::pasteCells(int row, int column, const QString& text)
{
    RouteDocument& doc = document();
    if (row < 0 || row > rowCount() || column < 0 || column >= StopColumn)
        return QStringLiteral("ここには貼り付けられません。");
    const SheetCells cells = ParseSheetText(text, kTapeMaxEntries - row, StopColumn - column);
    QList<TapeEntry> added;
    QList<TapeChange> changes;
    int pasted = 0;
    QStringList refused;
    for (int r = 0; r < int(cells.rows.size()); ++r) {
        const int at = row + r;
        TapeEntry fresh;
        for (int i = 0; i < int(cells.rows[r].size()); ++i) {
            const int c = column + i;
            const QString& cell = cells.rows[r][i];
            std::optional<qint16> flag;
            if (c != TextColumn && !(flag = SheetNumber(cell))) {
                refused << cell;
                continue;
            }
            ++pasted;
            if (at >= rowCount()) {
                if (c == TextColumn)
                    fresh.TapeText = cell;
                else if (c == StepColumn)
                    fresh.TapeStepFlag = *flag;
                else
                    fresh.TapePreFlag = *flag;
            } else {
                const RouteTapeLine& line = doc.tapeLine(at);
                const bool same = c == TextColumn   ? line.text == cell
                                  : c == StepColumn ? line.stepFlag == *flag
                                                    : line.preFlag == *flag;
                if (!same)
                    changes.append({at, c, cell, flag.value_or(0)});
            }
        }
        if (at >= rowCount())
            added << fresh;
    }
    const qsizetype steps = changes.size() + (added.isEmpty() ? 0 : 1);
    beginBatch(QStringLiteral("放送の貼り付け"), steps);
    for (const TapeChange& ch : changes) {
        if (ch.column == TextColumn)
            doc.setTapeText(ch.index, ch.text);
        else if (ch.column == StepColumn)
            doc.setTapeStepFlag(ch.index, ch.flag);
        else
            doc.setTapePreFlag(ch.index, ch.flag);
    }
    if (!added.isEmpty())
        doc.insertTape(rowCount(), added);
    endBatch(steps);

    QString s = QStringLiteral("%1 個の欄に貼り付けました").arg(pasted);
    if (!added.isEmpty())
        s += QStringLiteral(" (放送を %1 件追加)").arg(added.size());
    if (!refused.isEmpty())
        s += QStringLiteral("。数でない %1 個の欄 (「%2」など) はそのままです")
                 .arg(refused.size())
                 .arg(refused.first());
    if (cells.rowsBeyond > 0 || cells.columnsBeyond > 0)
        s += QStringLiteral("。表の外にはみ出した %1 行 %2 列は貼り付けていません")
                 .arg(cells.rowsBeyond)
                 .arg(cells.columnsBeyond);
    return s + u'。';
}

void TapeTableModel::clearCells(const QList<QRect>& cells)
{
    RouteDocument& doc = document();
    QList<TapeChange> changes;
    for (const QRect& rect : cells) {
        for (int r = qMax(rect.top(), 0); r <= qMin(rect.bottom(), rowCount() - 1); ++r) {
            const RouteTapeLine& line = doc.tapeLine(r);
            for (int c = rect.left(); c <= qMin(rect.right(), int(ChimeColumn)); ++c) {
                const bool set = c == TextColumn   ? !line.text.isEmpty()
                                 : c == StepColumn ? line.stepFlag != 0
                                                   : line.preFlag != 0;
                if (set)
                    changes.append({r, c, {}, 0});
            }
        }
    }
    beginBatch(QStringLiteral("放送の消去"), changes.size());
    for (const TapeChange& ch : changes) {
        if (ch.column == TextColumn)
            doc.setTapeText(ch.index, {});
        else if (ch.column == StepColumn)
            doc.setTapeStepFlag(ch.index, 0);
        else
            doc.setTapePreFlag(ch.index, 0);
    }
    endBatch(changes.size());
}

bool TapeTableModel::insertSheetRows(int row, int count)
{
    return document().insertTape(row, count);
}

bool TapeTableModel::removeSheetRows(int row, int count)
{
    return document().removeTape(row, count);
}

bool TapeTableModel::moveSheetRows(int row, int count, int destination)
{
    return document().moveTape(row, count, destination);
}

int TapeTableModel::stopOfRow(int row) const
{
    if (row < 0 || row >= rowCount() || document().stopCount() == 0)
        return -1;
    return document().tapeStop(row).row;
}

// SPDX-License-Identifier: GPL-3.0-or-later
#include "editor/FindingListModel.h"

#include "editor/SheetModel.h"

#include <algorithm>

FindingListModel::FindingListModel(RouteDocument& doc, QObject* parent)
    : QAbstractListModel(parent), m_doc(doc)
{
    connect(&doc, &RouteDocument::aboutToReset, this, [this] { beginResetModel(); });
    connect(&doc, &RouteDocument::wasReset, this, [this] {
        endResetModel();
        refresh();
    });
    connect(&doc, &RouteDocument::findingsChanged, this, [this] {
        beginResetModel();
        endResetModel();
        refresh();
    });
    refresh();
}

void FindingListModel::refresh()
{
    const QList<RouteFinding>& all = m_doc.findings();
    m_errors =
        int(std::count_if(all.begin(), all.end(), [](const RouteFinding& f) { return f.error; }));
    emit countsChanged();
}

int FindingListModel::rowCount(const QModelIndex& parent) const
{
    return parent.isValid() ? 0 : int(m_doc.findings().size());
}

QString FindingListModel::Place(const RouteDocument& doc, const RouteFinding& f)
{
    if (f.stop < 0 || f.stop >= doc.stopCount())
        return f.stop < 0 ? QStringLiteral("系統")
                          : QStringLiteral("%1番目の停留所").arg(f.stop + 1);
    const QString stop =
        QStringLiteral("%1番目の停留所「%2」").arg(f.stop + 1).arg(doc.stop(f.stop).StopName);
    switch (f.field) {
    case RouteField::Name:
        return stop + QStringLiteral("の名前");
    case RouteField::Ticket:
        return stop + QStringLiteral("の整理券番号");
    case RouteField::Fare:
        return stop + QStringLiteral("の整理券%1番の運賃").arg(f.ticket);
    default:
        return stop;
    }
}

QVariant FindingListModel::data(const QModelIndex& index, int role) const
{
    if (!checkIndex(index, CheckIndexOption::IndexIsValid))
        return {};
    const RouteFinding& f = finding(index.row());
    switch (role) {
    case Qt::DisplayRole:
        return QStringLiteral("%1 %2: %3")
            .arg(f.error ? QStringLiteral("エラー") : QStringLiteral("警告"), Place(m_doc, f),
                 f.message);
    case Qt::ToolTipRole:
        return f.error ? QStringLiteral("保存できません: ") + f.message : f.message;
    case Qt::BackgroundRole:
        return f.error ? SheetModel::ErrorBackground() : SheetModel::WarningBackground();
    default:
        return {};
    }
}

QString FindingListModel::summary() const
{
    if (m_doc.findings().isEmpty())
        return QStringLiteral("問題なし");
    return QStringLiteral("エラー %1 件、警告 %2 件").arg(errorCount()).arg(warningCount());
}

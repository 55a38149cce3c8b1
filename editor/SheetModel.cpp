// SPDX-License-Identifier: GPL-3.0-or-later
#include "editor/SheetModel.h"

#include <QStringList>

#include <algorithm>

SheetModel::SheetModel(RouteDocument& doc, QObject* parent)
    : QAbstractTableModel(parent), m_doc(doc)
{
    connect(&doc, &RouteDocument::aboutToReset, this, [this] { beginResetModel(); });
    connect(&doc, &RouteDocument::wasReset, this, [this] { endResetModel(); });
}

QModelIndex SheetModel::indexOfFinding(const RouteFinding&) const
{
    return {};
}

QColor SheetModel::ErrorBackground()
{
    return QColor(255, 200, 200);
}

QColor SheetModel::WarningBackground()
{
    return QColor(255, 236, 170);
}

QColor SheetModel::UnusedBackground()
{
    return QColor(226, 226, 226);
}

QColor SheetModel::UnusedText()
{
    return QColor(140, 140, 140);
}

QVariant SheetModel::findingData(const QList<RouteFinding>& findings, int role)
{
    if (findings.isEmpty())
        return {};
    if (role == Qt::BackgroundRole) {
        const bool error = std::any_of(findings.begin(), findings.end(),
                                       [](const RouteFinding& f) { return f.error; });
        return error ? ErrorBackground() : WarningBackground();
    }
    if (role == Qt::ToolTipRole) {
        QStringList lines;
        for (const RouteFinding& f : findings)
            lines << (f.error ? QStringLiteral("エラー: ") : QStringLiteral("警告: ")) + f.message;
        return lines.join(u'\n');
    }
    return {};
}

void SheetModel::beginBatch(const QString& text, qsizetype edits)
{
    if (edits > 1)
        m_doc.undoStack()->beginMacro(text);
}

void SheetModel::endBatch(qsizetype edits)
{
    if (edits > 1)
        m_doc.undoStack()->endMacro();
}

void SheetModel::followStopRows()
{
    const QModelIndex root;
    connect(&m_doc, &RouteDocument::stopsAboutToBeInserted, this,
            [this, root](int first, int last) { beginInsertRows(root, first, last); });
    connect(&m_doc, &RouteDocument::stopsInserted, this, [this] { endInsertRows(); });
    connect(&m_doc, &RouteDocument::stopsAboutToBeRemoved, this,
            [this, root](int first, int last) { beginRemoveRows(root, first, last); });
    connect(&m_doc, &RouteDocument::stopsRemoved, this, [this] { endRemoveRows(); });
    connect(&m_doc, &RouteDocument::stopsAboutToBeMoved, this,
            [this, root](int first, int last, int destination) {
                beginMoveRows(root, first, last, root, destination);
            });
    connect(&m_doc, &RouteDocument::stopsMoved, this, [this] { endMoveRows(); });
}

void SheetModel::followTapeRows()
{
    const QModelIndex root;
    connect(&m_doc, &RouteDocument::tapeAboutToBeInserted, this,
            [this, root](int first, int last) { beginInsertRows(root, first, last); });
    connect(&m_doc, &RouteDocument::tapeInserted, this, [this] { endInsertRows(); });
    connect(&m_doc, &RouteDocument::tapeAboutToBeRemoved, this,
            [this, root](int first, int last) { beginRemoveRows(root, first, last); });
    connect(&m_doc, &RouteDocument::tapeRemoved, this, [this] { endRemoveRows(); });
    connect(&m_doc, &RouteDocument::tapeAboutToBeMoved, this,
            [this, root](int first, int last, int destination) {
                beginMoveRows(root, first, last, root, destination);
            });
    connect(&m_doc, &RouteDocument::tapeMoved, this, [this] { endMoveRows(); });
}

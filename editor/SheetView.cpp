// SPDX-License-Identifier: GPL-3.0-or-later
#include "editor/SheetView.h"

#include "editor/EditorRules.h"

#include <QHeaderView>
#include <QKeyEvent>
#include <QLineEdit>

#include <algorithm>

SheetView::SheetView(QWidget* parent) : QTableView(parent)
{
    setEditTriggers(DoubleClicked | EditKeyPressed | AnyKeyPressed | SelectedClicked);
    setSelectionMode(ExtendedSelection);
    setSelectionBehavior(SelectItems);
    setTabKeyNavigation(true);
    setWordWrap(false);
    // Row heights from the font, not measured row by row: a full route opens at once.
    verticalHeader()->setSectionResizeMode(QHeaderView::Fixed);
    verticalHeader()->setDefaultSectionSize(fontMetrics().height() + 6);
    verticalHeader()->setSectionsMovable(true);
    verticalHeader()->setToolTip(QStringLiteral("行の見出しをドラッグすると行を移動できます"));
    connect(verticalHeader(), &QHeaderView::sectionMoved, this, &SheetView::headerMoved);
}

void SheetView::headerMoved(int logical, int from, int to)
{
    Q_UNUSED(logical);
    if (m_restoringHeader)
        return;
    // The header only shows where the row was dropped; the document moves
    // it (one undoable step), and the header goes back to model order.
    m_restoringHeader = true;
    verticalHeader()->moveSection(to, from);
    m_restoringHeader = false;
    if (SheetModel* m = sheet(); m && m->moveSheetRows(from, 1, to > from ? to + 1 : to)) {
        goTo(m->index(to, qMax(currentIndex().column(), 0)));
    }
}

QList<QRect> SheetView::selectedRects() const
{
    QList<QRect> rects;
    for (const QItemSelectionRange& r : selectionModel()->selection())
        if (r.isValid())
            rects << QRect(QPoint(r.left(), r.top()), QPoint(r.right(), r.bottom()));
    if (rects.isEmpty() && currentIndex().isValid())
        rects << QRect(currentIndex().column(), currentIndex().row(), 1, 1);
    return rects;
}

QRect SheetView::selectionBounds() const
{
    QRect bounds;
    for (const QRect& r : selectedRects())
        bounds = bounds.united(r);
    return bounds;
}

bool SheetView::selectedRowBlock(int& first, int& count) const
{
    const QModelIndex current = currentIndex();
    QList<int> rows;
    for (const QRect& r : selectedRects())
        for (int row = r.top(); row <= r.bottom(); ++row)
            rows << row;
    std::sort(rows.begin(), rows.end());
    rows.erase(std::unique(rows.begin(), rows.end()), rows.end());
    if (rows.isEmpty())
        return false;
    const bool contiguous = rows.last() - rows.first() + 1 == rows.size();
    if (contiguous && (!current.isValid() || rows.contains(current.row()))) {
        first = rows.first();
        count = int(rows.size());
    } else if (current.isValid()) {
        first = current.row();
        count = 1;
    } else {
        return false;
    }
    return true;
}

void SheetView::goTo(const QModelIndex& index)
{
    if (!index.isValid())
        return;
    setCurrentIndex(index);
    scrollTo(index);
}

void SheetView::keyPressEvent(QKeyEvent* event)
{
    // Enter edits the cell, as F2 does (Qt's views only activate it).
    if ((event->key() == Qt::Key_Return || event->key() == Qt::Key_Enter) &&
        event->modifiers() == Qt::NoModifier && state() != EditingState &&
        currentIndex().isValid() && (model()->flags(currentIndex()) & Qt::ItemIsEditable)) {
        edit(currentIndex());
        event->accept();
        return;
    }
    QTableView::keyPressEvent(event);
}

void SheetView::currentChanged(const QModelIndex& current, const QModelIndex& previous)
{
    QTableView::currentChanged(current, previous);
    if (current.row() != previous.row() || !previous.isValid())
        emit currentRowChanged(current.isValid() ? current.row() : -1);
}

void SheetView::closeEditor(QWidget* editor, QAbstractItemDelegate::EndEditHint hint)
{
    QTableView::closeEditor(editor, hint);
    // Enter commits with this hint: the next row's cell is next, as in a spreadsheet.
    if (hint == QAbstractItemDelegate::SubmitModelCache) {
        const QModelIndex i = currentIndex();
        const QModelIndex below = i.sibling(i.row() + 1, i.column());
        if (below.isValid())
            goTo(below);
    }
}

SheetDelegate::SheetDelegate(int nameColumn, QObject* parent)
    : QStyledItemDelegate(parent), m_nameColumn(nameColumn)
{
}

QWidget* SheetDelegate::createEditor(QWidget* parent, const QStyleOptionViewItem& option,
                                     const QModelIndex& index) const
{
    QWidget* editor = QStyledItemDelegate::createEditor(parent, option, index);
    auto* line = qobject_cast<QLineEdit*>(editor);
    if (!line)
        return editor;
    // Japanese is typed through the input method: keep it on in every cell.
    line->setAttribute(Qt::WA_InputMethodEnabled, true);
    if (index.column() == m_nameColumn) {
        auto* self = const_cast<SheetDelegate*>(this);
        const QPalette normal = line->palette();
        QObject::connect(line, &QLineEdit::textChanged, line,
                         [self, line, normal](const QString& t) {
                             const NameCheck check = CheckStopName(t);
                             QPalette p = normal;
                             if (!check.ok())
                                 p.setColor(QPalette::Base, SheetModel::ErrorBackground());
                             line->setPalette(p);
                             line->setToolTip(check.ok() ? QString() : check.message());
                             emit self->nameChecked(check.message(), check.ok());
                         });
    }
    return editor;
}

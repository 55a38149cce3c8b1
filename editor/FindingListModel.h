// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

// The document's findings as a list, errors and warnings as the rule check
// gives them, each naming its stop and cell. Rebuilding it costs nothing per
// edit: the list view asks only for the rows it shows.

#include "route/RouteDocument.h"

#include <QAbstractListModel>

class FindingListModel final : public QAbstractListModel {
    Q_OBJECT
public:
    explicit FindingListModel(RouteDocument& doc, QObject* parent = nullptr);

    int rowCount(const QModelIndex& parent = {}) const override;
    QVariant data(const QModelIndex& index, int role = Qt::DisplayRole) const override;

    const RouteFinding& finding(int row) const { return m_doc.findings()[row]; }
    int errorCount() const { return m_errors; }
    int warningCount() const { return int(m_doc.findings().size()) - m_errors; }
    // "エラー 1 件、警告 3 件", or that nothing was found.
    QString summary() const;

    // Where a finding is, in words: "3番目の停留所「駅前」の整理券5番の運賃".
    static QString Place(const RouteDocument& doc, const RouteFinding& finding);

signals:
    void countsChanged();

private:
    void refresh();

    RouteDocument& m_doc;
    int m_errors = 0;
};

// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

// 「GTFS-JPから読み込む」: a feed (.zip or folder), its routes with their
// trips (destination, stop count, first departure, service days), the
// warnings about the feed and the chosen trip, and the trip made into a
// route by the import hy3tool uses.

#include "route/RouteImport.h"

#include <QDialog>

class QLabel;
class QLineEdit;
class QPlainTextEdit;
class QPushButton;
class QTreeWidget;
class QTreeWidgetItem;

class GtfsImportDialog final : public QDialog {
    Q_OBJECT
public:
    explicit GtfsImportDialog(const QString& startFolder, QWidget* parent = nullptr);

    // Reads the feed and lists its trips; false with the reason shown.
    bool loadFeed(const QString& path);
    // The chosen trip as a route; ok() once a trip is chosen and imported.
    const RouteImport& result() const { return m_import; }
    // The chosen trip in words, for the status line.
    QString tripLabel() const { return m_tripLabel; }

private:
    void chooseZip();
    void chooseFolder();
    void tripChosen(QTreeWidgetItem* item);
    void showWarnings(const QStringList& tripWarnings);

    QString m_startFolder;
    QString m_feedPath;
    GtfsFeed m_feed;
    RouteImport m_import;
    QString m_tripLabel;
    QLineEdit* m_path = nullptr;
    QTreeWidget* m_trips = nullptr;
    QPlainTextEdit* m_warnings = nullptr;
    QLabel* m_summary = nullptr;
    QPushButton* m_ok = nullptr;
};

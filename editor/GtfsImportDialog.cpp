// SPDX-License-Identifier: GPL-3.0-or-later
#include "editor/GtfsImportDialog.h"

#include "companion/LTM4Res.h"

#include <QApplication>
#include <QDialogButtonBox>
#include <QDir>
#include <QFileInfo>
#include <QHBoxLayout>
#include <QHeaderView>
#include <QLabel>
#include <QLineEdit>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QTreeWidget>
#include <QVBoxLayout>

namespace {

enum TripColumn { DestinationColumn, StopsColumn, FirstColumn, DaysColumn, TripIdColumn };

QString RouteTitle(const GtfsRoute& r)
{
    QStringList parts;
    for (const QString& s : {r.shortName, r.longName})
        if (!s.trimmed().isEmpty())
            parts << s.trimmed();
    return parts.isEmpty() ? r.id : parts.join(u' ');
}

} // namespace

GtfsImportDialog::GtfsImportDialog(const QString& startFolder, QWidget* parent)
    : QDialog(parent), m_startFolder(startFolder)
{
    setObjectName(QStringLiteral("gtfsImportDialog"));
    setWindowTitle(QStringLiteral("GTFS-JPから読み込む"));

    m_path = new QLineEdit(this);
    m_path->setObjectName(QStringLiteral("feedPath"));
    m_path->setPlaceholderText(QStringLiteral("GTFS-JPのZIPファイルかフォルダー"));
    auto* zip = new QPushButton(QStringLiteral("ZIPファイル(&Z)..."), this);
    zip->setObjectName(QStringLiteral("chooseZip"));
    auto* folder = new QPushButton(QStringLiteral("フォルダー(&D)..."), this);
    folder->setObjectName(QStringLiteral("chooseFolder"));
    auto* load = new QPushButton(QStringLiteral("読み込む(&L)"), this);
    load->setObjectName(QStringLiteral("loadFeed"));
    load->setAutoDefault(false);
    connect(zip, &QPushButton::clicked, this, &GtfsImportDialog::chooseZip);
    connect(folder, &QPushButton::clicked, this, &GtfsImportDialog::chooseFolder);
    connect(load, &QPushButton::clicked, this, [this] { loadFeed(m_path->text().trimmed()); });
    connect(m_path, &QLineEdit::returnPressed, this,
            [this] { loadFeed(m_path->text().trimmed()); });

    m_trips = new QTreeWidget(this);
    m_trips->setObjectName(QStringLiteral("tripTree"));
    m_trips->setHeaderLabels({QStringLiteral("系統 / 行先"), QStringLiteral("停留所"),
                              QStringLiteral("始発"), QStringLiteral("運行日"),
                              QStringLiteral("便")});
    m_trips->setRootIsDecorated(true);
    m_trips->setUniformRowHeights(true);
    m_trips->header()->setSectionResizeMode(DestinationColumn, QHeaderView::Stretch);
    m_trips->header()->setStretchLastSection(false);
    connect(m_trips, &QTreeWidget::currentItemChanged, this,
            [this](QTreeWidgetItem* item) { tripChosen(item); });
    connect(m_trips, &QTreeWidget::itemActivated, this, [this](QTreeWidgetItem* item) {
        if (item && m_import.ok && m_trips->currentItem() == item)
            accept();
    });

    m_warnings = new QPlainTextEdit(this);
    m_warnings->setObjectName(QStringLiteral("gtfsWarnings"));
    m_warnings->setReadOnly(true);
    m_warnings->setPlaceholderText(QStringLiteral("(注意はありません)"));
    m_summary = new QLabel(this);
    m_summary->setObjectName(QStringLiteral("importSummary"));
    m_summary->setWordWrap(true);

    auto* buttons = new QDialogButtonBox(QDialogButtonBox::Ok | QDialogButtonBox::Cancel, this);
    m_ok = buttons->button(QDialogButtonBox::Ok);
    m_ok->setText(QStringLiteral("この便を読み込む"));
    m_ok->setEnabled(false);
    connect(buttons, &QDialogButtonBox::accepted, this, &QDialog::accept);
    connect(buttons, &QDialogButtonBox::rejected, this, &QDialog::reject);

    auto* pathRow = new QHBoxLayout;
    pathRow->addWidget(m_path, 1);
    pathRow->addWidget(zip);
    pathRow->addWidget(folder);
    pathRow->addWidget(load);
    auto* layout = new QVBoxLayout(this);
    auto* feedLabel = new QLabel(QStringLiteral("フィード(&F):"), this);
    feedLabel->setBuddy(m_path);
    layout->addWidget(feedLabel);
    layout->addLayout(pathRow);
    auto* tripLabel = new QLabel(QStringLiteral("系統と便(&T):"), this);
    tripLabel->setBuddy(m_trips);
    layout->addWidget(tripLabel);
    layout->addWidget(m_trips, 3);
    auto* warnLabel = new QLabel(QStringLiteral("注意(&W):"), this);
    warnLabel->setBuddy(m_warnings);
    layout->addWidget(warnLabel);
    layout->addWidget(m_warnings, 1);
    layout->addWidget(m_summary);
    layout->addWidget(buttons);
    resize(720, 560);
}

void GtfsImportDialog::chooseZip()
{
    const QString filter =
        QStringLiteral("GTFS-JP(*.zip)") + QChar(0) + QStringLiteral("*.zip") + QChar(0) + QChar(0);
    const QString path = ltm4::Lt3FileDlg(this, 0, filter, m_startFolder,
                                          QStringLiteral("GTFS-JPのZIPファイルを選ぶ"));
    if (!path.isEmpty())
        loadFeed(path);
}

void GtfsImportDialog::chooseFolder()
{
    const QString path =
        ltm4::Lt3FolderDlg(this, QStringLiteral("GTFS-JPのフォルダーを選ぶ"), m_startFolder);
    if (!path.isEmpty())
        loadFeed(path);
}

bool GtfsImportDialog::loadFeed(const QString& path)
{
    m_path->setText(QDir::toNativeSeparators(path));
    m_trips->clear();
    m_import = RouteImport{};
    m_tripLabel.clear();
    m_ok->setEnabled(false);
    m_feed = GtfsFeed{};
    m_feedPath = path;
    if (path.isEmpty()) {
        m_summary->setText(QStringLiteral("フィードを選んでください。"));
        return false;
    }
    m_startFolder = QFileInfo(path).absolutePath();
    m_summary->setText(QStringLiteral("読み込んでいます..."));
    QApplication::setOverrideCursor(Qt::WaitCursor);
    GtfsFeedResult loaded = OpenGtfsFeed(path);
    QList<GtfsRouteListing> routes;
    GtfsError listError;
    const bool listed = loaded.ok && ListGtfsTrips(loaded.feed, routes, listError);
    QApplication::restoreOverrideCursor();
    if (!loaded.ok || !listed) {
        m_warnings->setPlainText(FormatGtfsError(path, loaded.ok ? listError : loaded.error));
        m_summary->setText(QStringLiteral("このフィードは読み込めません。"));
        return false;
    }
    m_feed = std::move(loaded.feed);
    int trips = 0;
    for (const GtfsRouteListing& r : routes) {
        auto* routeItem = new QTreeWidgetItem(m_trips, {RouteTitle(r.route)});
        routeItem->setFlags(Qt::ItemIsEnabled | Qt::ItemIsSelectable);
        for (const GtfsTripListing& t : r.trips) {
            auto* item = new QTreeWidgetItem(routeItem, {t.destination, QString::number(t.stops),
                                                         t.firstDeparture, t.days, t.trip.id});
            item->setData(DestinationColumn, Qt::UserRole, t.trip.id);
            item->setTextAlignment(StopsColumn, Qt::AlignRight | Qt::AlignVCenter);
            ++trips;
        }
    }
    m_trips->expandAll();
    for (int c = StopsColumn; c <= TripIdColumn; ++c)
        m_trips->resizeColumnToContents(c);
    showWarnings({});
    m_summary->setText(QStringLiteral("系統 %1、便 %2。読み込む便を選んでください。")
                           .arg(routes.size())
                           .arg(trips));
    return true;
}

void GtfsImportDialog::showWarnings(const QStringList& tripWarnings)
{
    QStringList lines = m_feed.warnings;
    if (!tripWarnings.isEmpty()) {
        if (!lines.isEmpty())
            lines << QString();
        lines << QStringLiteral("この便について:") << tripWarnings;
    }
    m_warnings->setPlainText(lines.join(u'\n'));
}

void GtfsImportDialog::tripChosen(QTreeWidgetItem* item)
{
    const QString tripId =
        item ? item->data(DestinationColumn, Qt::UserRole).toString() : QString();
    m_import = RouteImport{};
    m_tripLabel.clear();
    m_ok->setEnabled(false);
    if (tripId.isEmpty()) {
        showWarnings({});
        return;
    }
    QApplication::setOverrideCursor(Qt::WaitCursor);
    m_import = ImportGtfsTrip(m_feed, tripId);
    QApplication::restoreOverrideCursor();
    if (!m_import.ok) {
        showWarnings({FormatGtfsError(m_feedPath, m_import.error)});
        m_summary->setText(QStringLiteral("この便は読み込めません。"));
        return;
    }
    showWarnings(m_import.warnings);
    m_tripLabel =
        QStringLiteral("%1 %2行き (%3 %4)")
            .arg(item->parent() ? item->parent()->text(DestinationColumn) : QString(),
                 item->text(DestinationColumn), item->text(FirstColumn), item->text(DaysColumn));
    m_summary->setText(QStringLiteral("停留所 %1、放送 %2 件、読み %3 件を読み込みます。"
                                      "今の停留所、運賃、放送は置き換わります (元に戻せます)。")
                           .arg(m_import.data.stops.size())
                           .arg(m_import.data.tape.size())
                           .arg(m_import.data.readings.size()));
    m_ok->setEnabled(true);
}

// SPDX-License-Identifier: GPL-3.0-or-later
#include "tools/GtfsTool.h"

#include "tools/GtfsExport.h"
#include "tools/GtfsFeed.h"
#include "tools/ToolOutput.h"

#include <QDir>
#include <QHash>
#include <QStringList>

#include <cstdio>

namespace {

using hy3tool::kBadInput;
using hy3tool::kUsage;
using hy3tool::Say;

const QString kUsageText = QStringLiteral(
    "使い方:\n"
    "  hy3tool gtfs list フィード [--route 路線]\n"
    "      路線と便(route_id、路線名、行先、方向、停留所数、始発時刻、運行日)を表示します\n"
    "      (--route でその路線だけ)\n"
    "  hy3tool gtfs export フィード --trip 便 --number 系統番号 [--out フォルダ] [--force]\n"
    "  hy3tool gtfs export フィード --route 路線 [--direction 方向] --number 系統番号"
    " [--out フォルダ] [--force]\n"
    "      便の停留所・運賃・放送・読み・時刻を <系統番号>.hy3、<系統番号>tp.csv、"
    "<系統番号>yomi.csv、<系統番号>time.csv に書きます\n"
    "      (--route は route_id か路線番号。その方向の最も早い便を使います)\n"
    "      すでにあるファイルは --force のときだけ置き換え、前のファイルを .bak に残します。\n"
    "      <系統番号>yomi.csv は置き換えずに、ない読みだけを書き足します\n"
    "\n"
    "フィードはGTFS-JP(標準的なバス情報フォーマット)の .zip かフォルダ。\n"
    "系統番号は1～5桁の数字、フォルダを省くと今のフォルダに書きます。");

int Usage(const QString& problem = {})
{
    if (!problem.isEmpty())
        Say(stderr, problem);
    Say(stderr, kUsageText);
    return kUsage;
}

bool Load(const QString& path, GtfsFeed& feed)
{
    GtfsFeedResult loaded = OpenGtfsFeed(path);
    if (!loaded.ok) {
        Say(stderr, FormatGtfsError(path, loaded.error));
        return false;
    }
    feed = std::move(loaded.feed);
    for (const QString& w : std::as_const(feed.warnings))
        Say(stderr, QStringLiteral("%1: 警告: %2").arg(path, w));
    return true;
}

QString OrDash(const QString& text)
{
    return text.isEmpty() ? QStringLiteral("-") : text;
}

// Options as "--key value" pairs and flags; false after saying what is wrong.
bool ParseOptions(const QStringList& options, const QStringList& keys, const QStringList& flags,
                  QHash<QString, QString>& values, int& exitCode)
{
    for (qsizetype i = 0; i < options.size(); ++i) {
        const QString& key = options[i];
        if (flags.contains(key)) {
            values.insert(key, QStringLiteral("1"));
            continue;
        }
        if (!keys.contains(key)) {
            exitCode = Usage(QStringLiteral("'%1' はわかりません").arg(key));
            return false;
        }
        // "--out --force" is a forgotten value, not a folder named --force.
        if (i + 1 >= options.size() || options[i + 1].startsWith(QLatin1String("--"))) {
            exitCode = Usage(QStringLiteral("%1 のあとに値がありません").arg(key));
            return false;
        }
        values.insert(key, options[++i]);
    }
    return true;
}

int List(const QString& path, const QStringList& options)
{
    QHash<QString, QString> values;
    int exitCode = 0;
    if (!ParseOptions(options, {QStringLiteral("--route")}, {}, values, exitCode))
        return exitCode;
    GtfsFeed feed;
    if (!Load(path, feed))
        return kBadInput;
    GtfsError e;
    QString routeId;
    if (values.contains(QStringLiteral("--route")) &&
        (routeId = FindGtfsRoute(feed, values.value(QStringLiteral("--route")), e)).isEmpty()) {
        Say(stderr, FormatGtfsError(path, e));
        return kBadInput;
    }
    QList<GtfsRouteListing> routes;
    if (!ListGtfsTrips(feed, routes, e)) {
        Say(stderr, FormatGtfsError(path, e));
        return kBadInput;
    }
    QString out;
    for (const GtfsRouteListing& r : std::as_const(routes)) {
        if (!routeId.isEmpty() && r.route.id != routeId)
            continue;
        out += QStringLiteral("路線 %1  %2  %3\n")
                   .arg(r.route.id, OrDash(r.route.shortName), OrDash(r.route.longName));
        for (const GtfsTripListing& t : r.trips) {
            QString days = t.days;
            if (!t.trip.serviceId.isEmpty())
                days += QStringLiteral(" (%1)").arg(t.trip.serviceId);
            out += QStringLiteral("  便 %1  行先 %2  方向 %3  停留所 %4  始発 %5  運行日 %6\n")
                       .arg(t.trip.id, OrDash(t.destination), OrDash(t.trip.direction),
                            QString::number(t.stops), OrDash(t.firstDeparture), days);
        }
    }
    const QByteArray b = out.toUtf8();
    std::fwrite(b.constData(), 1, size_t(b.size()), stdout);
    return 0;
}

int Export(const QString& path, const QStringList& options)
{
    QHash<QString, QString> values;
    int exitCode = 0;
    if (!ParseOptions(options,
                      {QStringLiteral("--trip"), QStringLiteral("--route"),
                       QStringLiteral("--direction"), QStringLiteral("--number"),
                       QStringLiteral("--out")},
                      {QStringLiteral("--force")}, values, exitCode))
        return exitCode;
    QString trip = values.value(QStringLiteral("--trip"));
    const QString route = values.value(QStringLiteral("--route"));
    const QString direction = values.value(QStringLiteral("--direction"));
    const QString number = values.value(QStringLiteral("--number"));
    const QString folder = values.value(QStringLiteral("--out"), QStringLiteral("."));
    const bool force = values.contains(QStringLiteral("--force"));
    if (trip.isEmpty() == route.isEmpty())
        return Usage(QStringLiteral("--trip か --route のどちらか一つを指定してください"));
    if (!direction.isEmpty() && route.isEmpty())
        return Usage(QStringLiteral("--direction は --route と一緒に使います"));
    bool digits = !number.isEmpty() && number.size() <= 5;
    for (QChar c : number)
        digits = digits && c >= u'0' && c <= u'9';
    if (!digits)
        return Usage(QStringLiteral("系統番号 (--number) は1～5桁の数字で指定してください"));

    GtfsFeed feed;
    if (!Load(path, feed))
        return kBadInput;
    if (trip.isEmpty()) {
        QHash<QString, GtfsTripSummary> summaries;
        GtfsError e;
        if (!SummariseGtfsTrips(feed, summaries, e) ||
            (trip = PickGtfsTrip(feed, summaries, route, direction, e)).isEmpty()) {
            Say(stderr, FormatGtfsError(path, e));
            return kBadInput;
        }
        Say(stdout, QStringLiteral("便 %1 (始発 %2) を使います")
                        .arg(trip, OrDash(summaries.value(trip).firstDeparture)));
    }
    const GtfsExport data = ExportGtfsTrip(feed, trip);
    if (!data.ok) {
        Say(stderr, FormatGtfsError(path, data.error));
        return kBadInput;
    }
    for (const QString& w : data.warnings)
        Say(stderr, QStringLiteral("%1: 警告: %2").arg(path, w));
    const QString key = RouteKey(number);
    const GtfsSaveResult saved = SaveGtfsExport(
        folder, key, data, force ? GtfsSaveMode::Replace : GtfsSaveMode::NewFilesOnly);
    if (!saved.ok) {
        if (!force && !saved.existing.isEmpty())
            Say(stderr,
                saved.error + QStringLiteral("。どのファイルも書き換えていません。置き換えるときは "
                                             "--force を付けてください (前のファイルは .bak に"
                                             "残り、yomi.csv に書き足した読みは引き継がれます)"));
        else
            Say(stderr, saved.error);
        return hy3tool::kCannotWrite;
    }
    const QDir dir(folder);
    QString readings = QStringLiteral("%1: 読み %2 件")
                           .arg(dir.filePath(key + QStringLiteral("yomi.csv")))
                           .arg(data.readings.size());
    if (saved.readingsMerged) {
        const QString yomi = dir.filePath(key + QStringLiteral("yomi.csv"));
        readings = saved.readingsAdded > 0
                       ? QStringLiteral("%1: 前の読みリストに読み %2 件を書き足しました")
                             .arg(yomi)
                             .arg(saved.readingsAdded)
                       : QStringLiteral("%1: 前の読みリストに足す読みはありません").arg(yomi);
        if (saved.readingsKept > 0)
            readings +=
                QStringLiteral(" (同じ表記の %1 件は前の読みのまま)").arg(saved.readingsKept);
    }
    int timed = 0;
    for (const TimetableRow& row : data.timetable)
        timed += (row.arrival || row.departure) ? 1 : 0;
    Say(stdout, QStringLiteral("%1: 停留所 %2 (整理券番号 1～%2)\n%3: 放送 %4 件\n")
                        .arg(dir.filePath(key + QStringLiteral(".hy3")),
                             QString::number(data.records.size()),
                             dir.filePath(key + QStringLiteral("tp.csv")),
                             QString::number(data.tape.size())) +
                    readings +
                    QStringLiteral("\n%1: 時刻のある停留所 %2 / %3")
                        .arg(dir.filePath(key + QStringLiteral("time.csv")))
                        .arg(timed)
                        .arg(data.timetable.size()));
    if (!saved.existing.isEmpty()) {
        QStringList kept;
        for (const QString& p : saved.existing)
            kept << p + QStringLiteral(".bak");
        Say(stdout, QStringLiteral("前のファイルを残しました: ") + kept.join(QStringLiteral("、")));
    }
    return 0;
}

bool AsksForHelp(const QStringList& args)
{
    return args.contains(QStringLiteral("--help")) || args.contains(QStringLiteral("-h"));
}

} // namespace

int GtfsCommand(int argc, char** argv)
{
    QStringList args;
    for (int i = 0; i < argc; ++i)
        args << QString::fromLocal8Bit(argv[i]);
    if (AsksForHelp(args)) {
        Say(stdout, kUsageText);
        return 0;
    }
    if (args.size() >= 2 && args[0] == QLatin1String("list"))
        return List(args[1], args.mid(2));
    if (args.size() >= 2 && args[0] == QLatin1String("export"))
        return Export(args[1], args.mid(2));
    return Usage();
}

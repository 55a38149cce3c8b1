// SPDX-License-Identifier: GPL-3.0-or-later
#include "tools/GtfsTool.h"

#include "tools/GtfsExport.h"
#include "tools/GtfsFeed.h"
#include "tools/GtfsSource.h"
#include "tools/ToolOutput.h"

#include <QDir>
#include <QStringList>

#include <cstdio>

namespace {

using hy3tool::kBadInput;
using hy3tool::kUsage;
using hy3tool::Say;

int Usage(const QString& problem = {})
{
    if (!problem.isEmpty())
        Say(stderr, problem);
    Say(stderr,
        QStringLiteral(
            "使い方:\n"
            "  hy3tool gtfs list フィード\n"
            "      路線と便(route_id、路線名、行先、方向、停留所数、始発時刻)を表示します\n"
            "  hy3tool gtfs export フィード --trip 便 --number 系統番号 [--out フォルダ]\n"
            "  hy3tool gtfs export フィード --route 路線 [--direction 方向] --number 系統番号"
            " [--out フォルダ]\n"
            "      便の停留所・運賃・放送・読みを <系統番号>.hy3、<系統番号>tp.csv、"
            "<系統番号>yomi.csv に書きます\n"
            "      (--route は route_id か路線番号。その方向の最も早い便を使います)\n"
            "\n"
            "フィードはGTFS-JP(標準的なバス情報フォーマット)の .zip かフォルダ。\n"
            "系統番号は1～5桁の数字、フォルダを省くと今のフォルダに書きます。"));
    return kUsage;
}

bool Load(const QString& path, GtfsFeed& feed)
{
    const GtfsFiles files = ReadGtfsFeed(path, GtfsTableNames(), GtfsLimits{});
    if (!files.ok) {
        Say(stderr, FormatGtfsError(path, files.error));
        return false;
    }
    GtfsFeedResult loaded = LoadGtfsFeed(files);
    if (!loaded.ok) {
        Say(stderr, FormatGtfsError(path, loaded.error));
        return false;
    }
    feed = std::move(loaded.feed);
    return true;
}

QString OrDash(const QString& text)
{
    return text.isEmpty() ? QStringLiteral("-") : text;
}

int List(const QString& path)
{
    GtfsFeed feed;
    if (!Load(path, feed))
        return kBadInput;
    QHash<QString, GtfsTripSummary> summaries;
    GtfsError e;
    if (!SummariseGtfsTrips(feed, summaries, e)) {
        Say(stderr, FormatGtfsError(path, e));
        return kBadInput;
    }
    QString out;
    for (const GtfsRouteTrips& r : ListGtfsRoutes(feed, summaries)) {
        out += QStringLiteral("路線 %1  %2  %3\n")
                   .arg(r.route.id, OrDash(r.route.shortName), OrDash(r.route.longName));
        for (const GtfsTrip* t : r.trips) {
            const GtfsTripSummary s = summaries.value(t->id);
            out += QStringLiteral("  便 %1  行先 %2  方向 %3  停留所 %4  始発 %5\n")
                       .arg(t->id, OrDash(t->headsign), OrDash(t->direction),
                            QString::number(s.stops), OrDash(s.firstDeparture));
        }
    }
    const QByteArray b = out.toUtf8();
    std::fwrite(b.constData(), 1, size_t(b.size()), stdout);
    return 0;
}

int Export(const QString& path, const QStringList& options)
{
    QString trip, route, direction, number, folder = QStringLiteral(".");
    for (qsizetype i = 0; i < options.size(); i += 2) {
        const QString& key = options[i];
        if (i + 1 >= options.size())
            return Usage(QStringLiteral("%1 のあとに値がありません").arg(key));
        const QString& value = options[i + 1];
        if (key == QLatin1String("--trip"))
            trip = value;
        else if (key == QLatin1String("--route"))
            route = value;
        else if (key == QLatin1String("--direction"))
            direction = value;
        else if (key == QLatin1String("--number"))
            number = value;
        else if (key == QLatin1String("--out"))
            folder = value;
        else
            return Usage(QStringLiteral("'%1' はわかりません").arg(key));
    }
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
    QString error;
    if (!SaveGtfsExport(folder, key, data, error)) {
        Say(stderr, error);
        return hy3tool::kCannotWrite;
    }
    const QDir dir(folder);
    Say(stdout,
        QStringLiteral("%1: 停留所 %2 (整理券番号 1～%2)\n%3: 放送 %4 件\n%5: 読み %6 件")
            .arg(dir.filePath(key + QStringLiteral(".hy3")), QString::number(data.records.size()),
                 dir.filePath(key + QStringLiteral("tp.csv")), QString::number(data.tape.size()),
                 dir.filePath(key + QStringLiteral("yomi.csv")),
                 QString::number(data.readings.size())));
    return 0;
}

} // namespace

int GtfsCommand(int argc, char** argv)
{
    QStringList args;
    for (int i = 0; i < argc; ++i)
        args << QString::fromLocal8Bit(argv[i]);
    if (args.size() == 2 && args[0] == QLatin1String("list"))
        return List(args[1]);
    if (args.size() >= 2 && args[0] == QLatin1String("export"))
        return Export(args[1], args.mid(2));
    return Usage();
}

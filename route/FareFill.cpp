// SPDX-License-Identifier: GPL-3.0-or-later
#include "route/FareFill.h"

#include <cmath>

namespace {

constexpr int kMaxFare = 32767;
// Positions beyond this are no bus route; the bound keeps metres exact.
constexpr double kMaxKm = 100000;

bool IsFare(int fare)
{
    return fare >= -1 && fare <= kMaxFare;
}

qint64 Metres(double km)
{
    return std::llround(km * 1000);
}

// Every cell somebody holds gets fareOf(boarding stop, stop); false when
// fareOf refuses, with the error it set.
template <typename FareOf> FareFill Fill(const QList<RouteStop>& stops, FareOf fareOf)
{
    FareFill out;
    const QList<FareRow> boarding = BoardingStops(stops);
    out.rows.reserve(stops.size());
    for (qsizetype j = 0; j < stops.size(); ++j) {
        FareRow row = stops[j].record.Fare;
        for (int k = 1; k <= kFareColumns; ++k) {
            const int from = boarding[j][size_t(k)];
            if (from < 0)
                continue;
            int fare = 0;
            if (!fareOf(from, int(j), fare, out.error)) {
                out.ok = false;
                out.rows.clear();
                out.cells = 0;
                return out;
            }
            row[size_t(k)] = qint16(fare);
            ++out.cells;
        }
        row[0] = 0;
        out.rows << row;
    }
    return out;
}

FareFill Refused(const QString& error)
{
    FareFill out;
    out.ok = false;
    out.error = error;
    return out;
}

} // namespace

FareFill FillFlat(const QList<RouteStop>& stops, int fare)
{
    if (!IsFare(fare))
        return Refused(QStringLiteral("運賃 %1 は使えません (-1～%2)").arg(fare).arg(kMaxFare));
    return Fill(stops, [fare](int, int, int& out, QString&) {
        out = fare;
        return true;
    });
}

FareFill FillZones(const QList<RouteStop>& stops, const QList<int>& zoneOfStop,
                   const QList<QList<int>>& fareFromTo)
{
    if (zoneOfStop.size() != stops.size())
        return Refused(QStringLiteral("ゾーンが %1 停留所分ありません").arg(stops.size()));
    const qsizetype zones = fareFromTo.size();
    if (zones == 0 && !stops.isEmpty())
        return Refused(QStringLiteral("ゾーンの運賃表がありません"));
    for (qsizetype i = 0; i < zoneOfStop.size(); ++i)
        if (zoneOfStop[i] < 1 || zoneOfStop[i] > zones)
            return Refused(QStringLiteral("%1番目の停留所のゾーン %2 は運賃表にありません (1～%3)")
                               .arg(i + 1)
                               .arg(zoneOfStop[i])
                               .arg(zones));
    for (qsizetype a = 0; a < zones; ++a) {
        if (fareFromTo[a].size() != zones)
            return Refused(QStringLiteral("ゾーン %1 からの運賃が %2 ゾーン分ありません")
                               .arg(a + 1)
                               .arg(zones));
        for (qsizetype b = 0; b < zones; ++b)
            if (!IsFare(fareFromTo[a][b]))
                return Refused(QStringLiteral("ゾーン %1 から %2 の運賃 %3 は使えません (-1～%4)")
                                   .arg(a + 1)
                                   .arg(b + 1)
                                   .arg(fareFromTo[a][b])
                                   .arg(kMaxFare));
    }
    return Fill(stops, [&](int from, int at, int& out, QString&) {
        out = fareFromTo[zoneOfStop[from] - 1][zoneOfStop[at] - 1];
        return true;
    });
}

qint64 DistanceFare(qint64 metres, const DistanceRule& rule)
{
    const qint64 base = Metres(rule.baseKm);
    const qint64 step = qMax<qint64>(1, Metres(rule.stepKm));
    qint64 fare = rule.baseFare;
    if (metres > base)
        fare += qint64(rule.stepFare) * ((metres - base + step - 1) / step);
    return (fare + 9) / 10 * 10;
}

FareFill FillDistance(const QList<RouteStop>& stops, const QList<double>& kmOfStop,
                      const DistanceRule& rule)
{
    if (kmOfStop.size() != stops.size())
        return Refused(QStringLiteral("キロ程が %1 停留所分ありません").arg(stops.size()));
    for (qsizetype i = 0; i < kmOfStop.size(); ++i)
        if (!std::isfinite(kmOfStop[i]) || std::abs(kmOfStop[i]) > kMaxKm)
            return Refused(QStringLiteral("%1番目の停留所のキロ程が読めません").arg(i + 1));
    if (rule.baseFare < 0 || rule.baseFare > kMaxFare || rule.stepFare < 0 ||
        rule.stepFare > kMaxFare)
        return Refused(QStringLiteral("運賃は0～%1で指定してください").arg(kMaxFare));
    if (!std::isfinite(rule.baseKm) || rule.baseKm < 0 || rule.baseKm > kMaxKm)
        return Refused(QStringLiteral("初乗りの距離が読めません"));
    if (!std::isfinite(rule.stepKm) || Metres(rule.stepKm) < 1 || rule.stepKm > kMaxKm)
        return Refused(QStringLiteral("加算の距離は1メートル以上にしてください"));
    return Fill(stops, [&](int from, int at, int& out, QString& error) {
        const qint64 fare =
            DistanceFare(std::abs(Metres(kmOfStop[at]) - Metres(kmOfStop[from])), rule);
        if (fare > kMaxFare) {
            error = QStringLiteral("%1番目から%2番目の停留所までの運賃 %3 円は大きすぎます")
                        .arg(from + 1)
                        .arg(at + 1)
                        .arg(fare);
            return false;
        }
        out = int(fare);
        return true;
    });
}

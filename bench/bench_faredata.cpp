// SPDX-License-Identifier: GPL-3.0-or-later
// Fare data reader figures: the time to read the largest file the table
// holds (301 records with long names) from memory, and to fill the table.
//
//   bench_faredata [--runs N]

#include "bench/Figure.h"
#include "panel/FareData.h"

#include <QElapsedTimer>

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <numeric>
#include <vector>

namespace {

QByteArray LargestFile()
{
    // Names of about 40 full-width characters (80 CP932 bytes), far longer
    // than any real stop, and fares in every issued ticket column.
    const QString base = QStringLiteral("市立総合医療センター前北口第二停留所");
    QList<StopRecord> stops(kFareTableRows);
    for (int r = 0; r < kFareTableRows; ++r) {
        StopRecord& s = stops[r];
        s.StopName = (base + base + base).left(40 - r % 3) + QString::number(r + 1);
        s.SeiriNo = qint16(r + 1);
        for (int k = 1; k <= kFareColumns; ++k)
            s.Fare[size_t(k)] = k > r + 1 ? 0 : qint16(160 + 10 * (r + 1 - k));
    }
    return EncodeFareFile(stops).bytes;
}

} // namespace

int main(int argc, char** argv)
{
    int runs = 2000;
    if (argc == 3 && std::strcmp(argv[1], "--runs") == 0)
        runs = std::max(1, std::atoi(argv[2]));

    const QByteArray file = LargestFile();
    // The first read pays for setting up the CP932 converter; reported apart.
    QElapsedTimer t;
    t.start();
    FareFileResult res = ParseFareFile(file);
    const double firstUs = double(t.nsecsElapsed()) / 1e3;
    if (!res.ok() || res.recordsRead != kFareTableRows) {
        std::fprintf(stderr, "bench_faredata: the test file did not read whole\n");
        return 1;
    }

    std::vector<double> us;
    us.reserve(size_t(runs));
    qint64 checksum = 0;
    for (int i = 0; i < runs; ++i) {
        t.restart();
        res = ParseFareFile(file);
        us.push_back(double(t.nsecsElapsed()) / 1e3);
        checksum += res.records.last().Fare[1];
    }
    std::sort(us.begin(), us.end());
    const double mean = std::accumulate(us.begin(), us.end(), 0.0) / double(us.size());
    std::printf("ParseFareFile, %d records, %lld bytes, %d runs:\n", kFareTableRows,
                static_cast<long long>(file.size()), runs);
    std::printf("  first %.1f us, median %.1f us, mean %.1f us, p99 %.1f us, max %.1f us\n",
                firstUs, us[us.size() / 2], mean, us[us.size() * 99 / 100], us.back());
    Figure("largest .hy3 read, median", us[us.size() / 2], "us", 50);

    // Route set then copies the records into the fare table.
    FareTable table;
    std::vector<double> fillUs;
    fillUs.reserve(size_t(runs));
    for (int i = 0; i < runs; ++i) {
        t.restart();
        table.Fill(res.records);
        fillUs.push_back(double(t.nsecsElapsed()) / 1e3);
        checksum += table.Row(kFareTableRows)->SeiriNo;
    }
    std::sort(fillUs.begin(), fillUs.end());
    std::printf("FareTable::Fill, %d rows: median %.1f us, max %.1f us\n", kFareTableRows,
                fillUs[fillUs.size() / 2], fillUs.back());
    std::printf("  (checksum %lld)\n", static_cast<long long>(checksum));
    return 0;
}

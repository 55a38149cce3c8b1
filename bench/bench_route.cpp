// SPDX-License-Identifier: GPL-3.0-or-later
// Route editor figures on the largest route: 301 stops, fares in all 150
// ticket columns, two announcements a stop and a reading for each. Opening
// its three files into the document (the editor's first paint waits for
// it), a fill of the whole matrix with its undo and redo, the rule check of
// the whole route, and one fare typed (an edit, its signals and the check).
//
//   bench_route [--runs N]

#include "bench/Figure.h"
#include "companion/LTM4Res.h"
#include "route/RouteDocument.h"
#include "route/RouteFiles.h"

#include <QCoreApplication>
#include <QElapsedTimer>
#include <QFile>
#include <QTemporaryDir>

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <functional>
#include <vector>

namespace {

bool Write(const QString& path, const QByteArray& bytes)
{
    QFile f(path);
    return f.open(QIODevice::WriteOnly) && f.write(bytes) == bytes.size();
}

// The route's three files in folder, as route 1.
bool LargestRoute(const QString& folder)
{
    QList<StopRecord> stops(kFareTableRows);
    QString tape;
    QString readings = QStringLiteral("# 表記,読み\n");
    for (int r = 0; r < kFareTableRows; ++r) {
        StopRecord& s = stops[r];
        s.StopName = QStringLiteral("市立総合医療センター前%1番").arg(r + 1);
        s.SeiriNo = qint16(qMin(r + 1, kFareColumns));
        for (int k = 1; k <= kFareColumns; ++k)
            s.Fare[size_t(k)] = qint16(160 + 10 * qAbs(r + 1 - k) % 800);
        tape += QStringLiteral("\"次は、%1です。お降りの方はボタンでお知らせください。\",1,1\r\n"
                               "\"発車します。ご注意ください。\",0,0\r\n")
                    .arg(s.StopName);
        readings += QStringLiteral("%1,しりつそうごういりょうせんたーまえ%2ばん\n")
                        .arg(s.StopName)
                        .arg(r + 1);
    }
    return Write(folder + QStringLiteral("/1.hy3"), EncodeFareFile(stops).bytes) &&
           Write(folder + QStringLiteral("/1tp.csv"), ltm4::ToCp932(tape)) &&
           Write(folder + QStringLiteral("/1yomi.csv"), readings.toUtf8());
}

struct Times {
    std::vector<double> ms;
    double median()
    {
        std::sort(ms.begin(), ms.end());
        return ms[ms.size() / 2];
    }
    double max() const { return *std::max_element(ms.begin(), ms.end()); }
};

double Ms(const QElapsedTimer& t)
{
    return double(t.nsecsElapsed()) / 1e6;
}

} // namespace

int main(int argc, char** argv)
{
    QCoreApplication app(argc, argv);
    int runs = 30;
    if (argc == 3 && std::strcmp(argv[1], "--runs") == 0)
        runs = std::max(1, std::atoi(argv[2]));
    QTemporaryDir dir;
    if (!dir.isValid() || !LargestRoute(dir.path())) {
        std::fprintf(stderr, "bench_route: cannot write the test route\n");
        return 1;
    }

    // Opening: the three files read and checked, the document reset on them.
    QElapsedTimer t;
    Times open;
    RouteDocument doc;
    for (int i = 0; i < runs; ++i) {
        t.start();
        const RouteOpenResult r = OpenRoute(dir.path(), dir.path(), 1);
        doc.reset(r.data);
        open.ms.push_back(Ms(t));
        if (!r.ok || doc.stopCount() != kFareTableRows || doc.tapeCount() != 2 * kFareTableRows) {
            std::fprintf(stderr, "bench_route: the test route did not open whole\n");
            return 1;
        }
    }

    QList<double> km;
    for (int r = 0; r < kFareTableRows; ++r)
        km << 0.7 * r;
    Times fill, undo, redo;
    for (int i = 0; i < runs; ++i) {
        t.start();
        const QString error = doc.fillDistance(km, {160 + 10 * (i % 2), 2, 30, 1});
        fill.ms.push_back(Ms(t));
        if (!error.isEmpty()) {
            std::fprintf(stderr, "bench_route: %s\n", qPrintable(error));
            return 1;
        }
        t.start();
        doc.undoStack()->undo();
        undo.ms.push_back(Ms(t));
        t.start();
        doc.undoStack()->redo();
        redo.ms.push_back(Ms(t));
    }

    Times check;
    qsizetype findings = 0;
    for (int i = 0; i < runs; ++i) {
        t.start();
        findings += CheckRoute(StopRecords(doc.data().stops)).size();
        check.ms.push_back(Ms(t));
    }

    Times typed;
    for (int i = 0; i < runs; ++i) {
        t.start();
        doc.setFare(150 + i % 100, 1 + i % 150, 170 + i);
        typed.ms.push_back(Ms(t));
    }

    std::printf("route of %d stops, %d tickets, %d announcements; %d runs, %lld findings a check\n",
                kFareTableRows, kFareColumns, doc.tapeCount(), runs,
                static_cast<long long>(findings / runs));
    std::printf("  open into the document: median %.2f ms, max %.2f ms\n", open.median(),
                open.max());
    std::printf("  distance fill: median %.2f ms; undo %.2f ms; redo %.2f ms\n", fill.median(),
                undo.median(), redo.median());
    std::printf("  rule check: median %.3f ms, max %.3f ms\n", check.median(), check.max());
    std::printf("  one fare typed: median %.3f ms, max %.3f ms\n", typed.median(), typed.max());
    Figure("route editor: open 301 stops, median", open.median(), "ms", 50);
    Figure("route editor: whole-matrix fill, median", fill.median(), "ms", 50);
    Figure("route editor: undo of the fill, median", undo.median(), "ms", 50);
    Figure("route editor: redo of the fill, median", redo.median(), "ms", 50);
    Figure("route editor: rule check, median", check.median(), "ms", 5);
    Figure("route editor: one fare typed, median", typed.median(), "ms", 16);
    return 0;
}

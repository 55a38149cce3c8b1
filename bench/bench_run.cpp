// SPDX-License-Identifier: GPL-3.0-or-later
// The run's timing on the real clock: a 39-stop trip whose last stop is
// 1 h 10 min after the first, run at ×60 (70 s), and how late each press
// comes against its scheduled moment; then the same trip with two processes
// keeping the processor busy beside it. Lateness is given in real
// milliseconds and in seconds of the timetable (×60 of the real ones).
//
//   bench_run [--quick]   --quick: a trip of 7 minutes (7 s)
//   bench_run --burn N    what the busy processes run: N seconds at most

#include "bench/Figure.h"
#include "run/RunExecutor.h"

#include <QCoreApplication>
#include <QElapsedTimer>
#include <QProcess>

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <cstring>
#include <memory>
#include <vector>

namespace {

constexpr int kStops = 39;
constexpr double kSpeed = 60;

// The panel and the tape as far as the run needs them; records when each
// press came. Nothing speaks, so every lateness is the run's own.
class BenchHost final : public RunHost {
public:
    void pressTapeNext() override
    {
        stamp();
        if (tape < entries.size() && entries[tape++].TapeStepFlag == 1 && row < kStops)
            ++row;
    }
    void pressDataNext() override
    {
        stamp();
        row = std::min(row + 1, kStops);
    }
    bool setRoute(int startRow) override
    {
        stamp();
        row = startRow;
        tape = 0;
        return true;
    }
    bool speaking() const override { return false; }
    bool waiting() const override { return false; }
    int currentRow() const override { return row; }
    int tapePosition() const override { return tape; }

    void stamp() { at.push_back(double(clock.nsecsElapsed()) / 1e6); }

    QList<TapeEntry> entries;
    int row = 1;
    int tape = 0;
    QElapsedTimer clock;
    std::vector<double> at; // ms after the start
};

RunPlan Trip(int tripSeconds)
{
    RunPlan plan;
    plan.rowCount = kStops;
    plan.speed = kSpeed;
    const int start = 7 * 3600;
    for (int i = 0; i < kStops; ++i) {
        const int arrive = start + int(std::lround(double(i) * tripSeconds / (kStops - 1)));
        TimetableRow row;
        if (i > 0)
            row.arrival = arrive;
        if (i + 1 < kStops)
            row.departure = arrive + (i > 0 ? tripSeconds / (kStops - 1) / 6 : 0); // a short stand
        plan.timetable << row;
    }
    plan.tape << TapeEntry{QStringLiteral("ご乗車ありがとうございます。発車します。"), 0, 0};
    for (int i = 2; i <= kStops; ++i) {
        if (i > 2)
            plan.tape << TapeEntry{QStringLiteral("発車します。"), 0, 0};
        plan.tape << TapeEntry{QStringLiteral("次は、%1番です。").arg(i), 1, 0}
                  << TapeEntry{QStringLiteral("まもなく、%1番です。").arg(i), 0, 0};
    }
    plan.tape << TapeEntry{QStringLiteral("ご乗車ありがとうございました。"), 0, 0};
    return plan;
}

struct Lateness {
    double medianMs = 0;
    double worstMs = 0;
    int presses = 0;
};

Lateness RunTrip(const RunPlan& plan)
{
    BenchHost host;
    host.entries = plan.tape;
    RunExecutor run(host);
    QObject::connect(&run, &RunExecutor::finished, qApp, &QCoreApplication::quit);
    host.clock.start();
    run.start(plan);
    const QList<RunAction> schedule = run.actions();
    QCoreApplication::exec();

    std::vector<double> late;
    for (size_t i = 0; i < host.at.size() && i < size_t(schedule.size()); ++i)
        late.push_back(std::abs(host.at[i] - double(schedule[qsizetype(i)].scaledMs)));
    std::sort(late.begin(), late.end());
    Lateness l;
    l.presses = int(late.size());
    if (!late.empty()) {
        l.medianMs = late[late.size() / 2];
        l.worstMs = late.back();
    }
    if (host.at.size() != size_t(schedule.size()))
        std::fprintf(stderr, "bench_run: %zu presses for %lld scheduled\n", host.at.size(),
                     static_cast<long long>(schedule.size()));
    return l;
}

void Report(const char* what, const Lateness& l)
{
    std::printf("  %-28s %3d presses: median %.2f ms (%.3f s of the timetable), "
                "worst %.2f ms (%.3f s)\n",
                what, l.presses, l.medianMs, l.medianMs * kSpeed / 1000, l.worstMs,
                l.worstMs * kSpeed / 1000);
}

int Burn(int seconds)
{
    // Ends by itself, so that nothing spins on if the benchmark is killed.
    QElapsedTimer t;
    t.start();
    volatile quint64 n = 0;
    while (t.elapsed() < qint64(seconds) * 1000)
        for (int i = 0; i < 1000000; ++i)
            n = n + 1;
    return 0;
}

} // namespace

int main(int argc, char** argv)
{
    if (argc == 3 && std::strcmp(argv[1], "--burn") == 0)
        return Burn(std::clamp(std::atoi(argv[2]), 1, 600));
    QCoreApplication app(argc, argv);
    const bool quick = argc == 2 && std::strcmp(argv[1], "--quick") == 0;
    const int tripSeconds = quick ? 7 * 60 : 70 * 60;
    const RunPlan plan = Trip(tripSeconds);

    std::printf("Run of %d stops over %d min at x%.0f (%.0f s of real time), real clock:\n", kStops,
                tripSeconds / 60, kSpeed, tripSeconds / kSpeed);
    const Lateness idle = RunTrip(plan);
    Report("alone", idle);

    std::vector<std::unique_ptr<QProcess>> busy;
    for (int i = 0; i < 2; ++i) {
        busy.push_back(std::make_unique<QProcess>());
        busy.back()->start(QCoreApplication::applicationFilePath(),
                           {QStringLiteral("--burn"), QString::number(tripSeconds / 60 + 30)});
        busy.back()->waitForStarted();
    }
    const Lateness loaded = RunTrip(plan);
    for (const auto& p : busy) {
        p->kill();
        p->waitForFinished();
    }
    Report("with 2 busy processes", loaded);

    Figure("run x60 step lateness, worst", idle.worstMs * kSpeed / 1000, "s", 0.5);
    Figure("run x60 step lateness, worst, 2 busy", loaded.worstMs * kSpeed / 1000, "s", 0.5);
    return idle.presses > 0 && loaded.presses > 0 ? 0 : 1;
}

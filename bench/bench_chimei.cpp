// SPDX-License-Identifier: GPL-3.0-or-later
// Stop-name display figures: the cost of drawing a name, the processor share
// of a scrolling name in a shown window, and the frames that came late.
//
//   bench_chimei [--seconds N]   figures (run under xvfb-run -a for a real window)
//   bench_chimei --shot out.png  a picture of a short and a scrolling name

#include "bench/Figure.h"
#include "board/ChimeiCtl_A.h"
#include "panel/BoardWindows.h"

#include "companion/ColorRef.h"

#include <QApplication>
#include <QElapsedTimer>
#include <QGuiApplication>
#include <QHBoxLayout>
#include <QLabel>
#include <QPixmap>
#include <QScreen>
#include <QTemporaryDir>
#include <QTimer>
#include <QVBoxLayout>

#include <sys/resource.h>

#include <algorithm>
#include <cstdio>
#include <vector>

namespace {

const QString kSix = QStringLiteral("市民病院前駅");
const QString kTen = QStringLiteral("県立総合運動公園北口");
const QString kFour = QStringLiteral("バス停前");

double cpuSeconds()
{
    rusage ru{};
    getrusage(RUSAGE_SELF, &ru);
    return double(ru.ru_utime.tv_sec + ru.ru_stime.tv_sec) +
           double(ru.ru_utime.tv_usec + ru.ru_stime.tv_usec) / 1e6;
}

void runEventsFor(int ms)
{
    QEventLoop loop;
    QTimer::singleShot(ms, Qt::PreciseTimer, &loop, &QEventLoop::quit);
    loop.exec();
}

void benchSetChimei()
{
    ChimeiCtl_A c;
    c.resize(37, 196);
    QElapsedTimer t;
    t.start();
    c.SetChimei(kSix);
    const double firstUs = t.nsecsElapsed() / 1e3;

    constexpr int kRuns = 2000;
    std::vector<double> us;
    us.reserve(kRuns);
    for (int i = 0; i < kRuns; ++i) {
        t.restart();
        c.SetChimei(kSix);
        us.push_back(t.nsecsElapsed() / 1e3);
    }
    std::sort(us.begin(), us.end());
    double sum = 0;
    for (double v : us)
        sum += v;
    std::printf("SetChimei, six characters (%d runs)\n", kRuns);
    std::printf("  first call (fonts cold): %8.1f us\n", firstUs);
    std::printf("  median:                  %8.1f us\n", us[us.size() / 2]);
    std::printf("  mean:                    %8.1f us\n", sum / kRuns);
    std::printf("  99th percentile:         %8.1f us\n\n", us[us.size() * 99 / 100]);
    Figure("SetChimei, six characters, median", us[us.size() / 2], "us", 2000);
}

// A ten-character name scrolling on a shown control for some seconds, the
// strip moving from the start, not waiting.
struct ScrollRun {
    double wallS = 0;
    double cpuS = 0;
    ChimeiCtl_A::FrameStats stats;
    double cpuShare() const { return 100.0 * cpuS / wallS; }
};

ScrollRun scroll(ChimeiCtl_A* c, int seconds, qint16 speed)
{
    runEventsFor(300); // mapped and painted once before measuring
    c->setScrollStartWait(0);
    c->setSpeed(speed);
    c->SetChimei(kTen);
    c->resetFrameStats();
    const double cpu0 = cpuSeconds();
    QElapsedTimer wall;
    wall.start();
    runEventsFor(seconds * 1000);
    ScrollRun run;
    run.wallS = wall.nsecsElapsed() / 1e9;
    run.cpuS = cpuSeconds() - cpu0;
    run.stats = c->frameStats();
    return run;
}

void benchScroll(int seconds, qint16 speed)
{
    QWidget window;
    window.setWindowTitle(QStringLiteral("bench_chimei"));
    window.resize(101, 250);
    auto* c = new ChimeiCtl_A(&window);
    c->setGeometry(32, 27, 37, 196);
    window.show();
    const ScrollRun run = scroll(c, seconds, speed);
    const ChimeiCtl_A::FrameStats& st = run.stats;

    const QScreen* screen = window.screen();
    std::printf("Scrolling a ten-character name at Speed %d (%d px/s), %.1f s in a shown window "
                "(%s, %.0f Hz)\n",
                speed, speed * 1000 / 200, run.wallS, qPrintable(QGuiApplication::platformName()),
                screen ? screen->refreshRate() : 0.0);
    std::printf("  processor:     %6.2f %% of one core (%.3f s in %.1f s)\n", run.cpuShare(),
                run.cpuS, run.wallS);
    std::printf("  frame timer:   %d ms; %lld frames, %lld late (more than half a frame), "
                "longest %lld ms\n",
                c->tickInterval(), st.frames, st.late, st.longest);
    std::printf("  repaints:      %lld (only when the strip moved a whole pixel)\n", st.repaints);
    std::printf("  strip top now: %.2f px\n\n", c->stripTop());
    const QByteArray at = " at Speed " + QByteArray::number(speed);
    Figure(("scroll, processor share" + at).constData(), run.cpuShare(), "%", 2);
    Figure(("scroll, late frames" + at).constData(),
           st.frames ? 100.0 * double(st.late) / double(st.frames) : 0.0, "%", 1);
}

// A scrolling name on the whole board, zoomed: what a user of a large screen
// or a full-screen board pays.
void benchBoardScroll(int seconds, qreal zoom)
{
    BoardWindows windows;
    windows.Load();
    QTemporaryDir view; // the user's own zoom stays as it is
    windows.board.setViewSettingsFile(view.filePath(QStringLiteral("board.ini")));
    windows.board.setZoom(zoom);
    windows.board.show();
    const ScrollRun run = scroll(windows.board.ChimeiCtl(), seconds, 40);
    std::printf("Scrolling on the board at %gx (%dx%d), Speed 40, %.1f s\n", zoom,
                windows.board.width(), windows.board.height(), run.wallS);
    std::printf("  processor:     %6.2f %% of one core\n", run.cpuShare());
    std::printf("  frames:        %lld, %lld late, longest %lld ms; repaints %lld\n\n",
                run.stats.frames, run.stats.late, run.stats.longest, run.stats.repaints);
    const QByteArray what =
        "scroll on the board at " + QByteArray::number(zoom) + "x, processor share";
    // What a user feels: a 1x board costs under 2 % of a core, a board on
    // a large screen under 4 %.
    Figure(what.constData(), run.cpuShare(), "%", zoom > 1 ? 4 : 2);
}

// The other way to scroll: step and let events run, as fast as the machine
// goes, with no timer. Shown for comparison only.
void benchBusyLoop(int seconds)
{
    QWidget window;
    window.resize(101, 250);
    auto* c = new ChimeiCtl_A(&window);
    c->setGeometry(32, 27, 37, 196);
    window.show();
    runEventsFor(300);

    qint64 fakeMs = 0;
    c->setClock([&fakeMs] { return fakeMs; });
    c->setScrollStartWait(0);
    c->SetChimei(kTen);
    const double cpu0 = cpuSeconds();
    QElapsedTimer wall;
    wall.start();
    qint64 steps = 0;
    while (wall.elapsed() < seconds * 1000) {
        ++fakeMs; // one step per pass
        c->advanceScroll();
        c->repaint();
        QCoreApplication::processEvents();
        ++steps;
    }
    const double wallS = wall.nsecsElapsed() / 1e9;
    const double cpuS = cpuSeconds() - cpu0;
    std::printf("For comparison, stepping as fast as possible for %.1f s\n", wallS);
    std::printf("  processor:     %6.2f %% of one core\n", 100.0 * cpuS / wallS);
    std::printf("  steps:         %lld (%.0f a second; the speed depends on the machine)\n\n",
                steps, steps / wallS);
}

int shot(const QString& path)
{
    QWidget window;
    window.setWindowTitle(QStringLiteral("ルトミア 停名表示"));
    window.setStyleSheet(QStringLiteral("background: #202020; color: #d0d0d0;"));
    auto* row = new QHBoxLayout(&window);
    row->setContentsMargins(16, 12, 16, 12);
    row->setSpacing(20);

    auto addColumn = [&](const QString& caption, quint32 back, const QString& name) {
        auto* col = new QVBoxLayout;
        auto* c = new ChimeiCtl_A;
        c->setFixedSize(37, 196);
        c->setBackColor(back);
        c->setScrollStartWait(300);
        c->setSpeed(20);
        col->addWidget(c, 0, Qt::AlignHCenter);
        auto* label = new QLabel(caption);
        label->setAlignment(Qt::AlignHCenter);
        col->addWidget(label);
        row->addLayout(col);
        return std::pair{c, name};
    };
    const auto a = addColumn(QStringLiteral("4文字"), 8421504, kFour);
    const auto b = addColumn(QStringLiteral("10文字 (スクロール中)"), 8421504, kTen);
    const auto d = addColumn(QStringLiteral("黒地"), ltm4::Rgb(16, 16, 16), kFour);
    window.show();
    runEventsFor(200);
    for (const auto& [c, name] : {a, b, d})
        c->SetChimei(name);
    runEventsFor(300 + 1200); // the wait, then 1.2 s at Speed 20: 120 pixels up
    QPixmap pm;
    if (QScreen* s = window.screen(); s && QGuiApplication::platformName() == u"xcb")
        pm = s->grabWindow(window.winId());
    if (pm.isNull())
        pm = window.grab();
    if (!pm.save(path)) {
        std::fprintf(stderr, "bench_chimei: cannot write %s\n", qPrintable(path));
        return 1;
    }
    std::printf("wrote %s (%dx%d); long name at top %.1f px\n", qPrintable(path), pm.width(),
                pm.height(), b.first->stripTop());
    return 0;
}

} // namespace

int main(int argc, char** argv)
{
    QApplication app(argc, argv);
    const QStringList args = app.arguments();
    if (const qsizetype i = args.indexOf(QStringLiteral("--shot")); i >= 0 && i + 1 < args.size())
        return shot(args[i + 1]);
    int seconds = 10;
    if (const qsizetype i = args.indexOf(QStringLiteral("--seconds"));
        i >= 0 && i + 1 < args.size())
        seconds = std::max(1, args[i + 1].toInt());

    // --only <part> runs one part (for a profiler): setchimei, speed5,
    // speed40, board1, board2, board4, busy.
    QString only;
    if (const qsizetype i = args.indexOf(QStringLiteral("--only")); i >= 0 && i + 1 < args.size())
        only = args[i + 1];
    const auto part = [&only](const char* name) { return only.isEmpty() || only == name; };
    if (part("setchimei"))
        benchSetChimei();
    if (part("speed5"))
        benchScroll(seconds, 5); // the default speed
    if (part("speed40"))
        benchScroll(std::min(seconds, 5), 40); // fast enough to move on every frame
    if (part("board1"))
        benchBoardScroll(std::min(seconds, 5), 1);
    if (part("board2"))
        benchBoardScroll(std::min(seconds, 5), 2);
    if (part("board4"))
        benchBoardScroll(std::min(seconds, 5), 4);
    if (part("busy"))
        benchBusyLoop(std::min(seconds, 3));
    std::printf("Goal while scrolling: below 2 %% of one core at 1x, 4 %% zoomed.\n");
    return 0;
}

// SPDX-License-Identifier: GPL-3.0-or-later
// A long stop name scrolling on the real board, first alone, then with a run
// of the demo's route 1 going at x60 beside it on the whole program (steps,
// announcements with their chimes, speech, the ticket preview, all through
// the real panel and sound layer on SDL's dummy driver). Compared: the
// longest time between two scroll frames, the late frames, the user interface
// thread's longest stall, and the audio gaps: a streamed sound or the speech
// running dry mid-way (MixerBackend::Underruns), and mixes the device would
// have played out before the next came.
//
// The demo data is copied with every stop named the same ten characters, so
// the name scrolls at every stop as it does alone.
//
//   bench_runscroll [--seconds N]   N seconds each (run under xvfb-run -a)

#include "app/CommandLine.h"
#include "app/Rutomia.h"
#include "bench/Figure.h"
#include "board/ChimeiCtl_A.h"
#include "options/frmOption.h"
#include "panel/FareData.h"
#include "panel/frmCtl.h"
#include "run/RunExecutor.h"
#include "settings/DemoProfile.h"
#include "sound/SpeechEngine.h"

#include <QApplication>
#include <QDir>
#include <QDirIterator>
#include <QElapsedTimer>
#include <QEventLoop>
#include <QFile>
#include <QLabel>
#include <QPushButton>
#include <QTemporaryDir>
#include <QTimer>

#include <algorithm>
#include <atomic>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <functional>
#include <memory>
#include <vector>

#include <time.h>

namespace {

const QString kLongName = QStringLiteral("県立総合運動公園北口");
constexpr qint16 kScrollSpeed = 40; // the strip moves at every frame

void RunEventsFor(int ms)
{
    QEventLoop loop;
    QTimer::singleShot(ms, Qt::PreciseTimer, &loop, &QEventLoop::quit);
    loop.exec();
}

qint64 NowUs()
{
    return std::chrono::duration_cast<std::chrono::microseconds>(
               std::chrono::steady_clock::now().time_since_epoch())
        .count();
}

double ThreadCpuMs()
{
    timespec ts{};
    clock_gettime(CLOCK_THREAD_CPUTIME_ID, &ts);
    return double(ts.tv_sec) * 1e3 + double(ts.tv_nsec) / 1e6;
}

// The demo data (the fare tables, announcement lists, timetables, sounds and
// ticket plugin) copied into `to`, route 1's stops all named kLongName.
bool CopyDemo(const QString& from, const QString& to)
{
    QDirIterator it(from, QDir::Files, QDirIterator::Subdirectories);
    while (it.hasNext()) {
        const QString file = it.next();
        if (file.contains(QLatin1String("/CMakeFiles/")) ||
            file.contains(QLatin1String("/roundtrip/")))
            continue;
        const QString target = to + u'/' + QDir(from).relativeFilePath(file);
        QDir().mkpath(QFileInfo(target).absolutePath());
        if (!QFile::copy(file, target))
            return false;
    }
    QFile fares(to + QStringLiteral("/1.hy3"));
    if (!fares.open(QIODevice::ReadOnly))
        return false;
    FareFileResult read = ParseFareFile(fares.readAll());
    fares.close();
    if (!read.ok())
        return false;
    for (StopRecord& stop : read.records)
        stop.StopName = kLongName;
    const FareEncodeResult encoded = EncodeFareFile(read.records);
    if (!encoded.ok() || !fares.open(QIODevice::WriteOnly | QIODevice::Truncate))
        return false;
    return fares.write(encoded.bytes) == encoded.bytes.size();
}

// The mixer's cadence, from its post-mix tap on the audio thread: a mix that
// comes more than two buffers after the one before would have found a
// device's queue played out.
struct MixCadence {
    qint64 periodUs = 0;
    std::atomic<qint64> last = 0;
    std::atomic<qint64> passes = 0;
    std::atomic<qint64> late = 0;
    std::atomic<qint64> longestUs = 0;
    std::atomic<qint64> loudFrames = 0;

    void Pass(const qint16* samples, int frames)
    {
        const qint64 now = NowUs();
        const qint64 before = last.exchange(now);
        if (before > 0) {
            const qint64 interval = now - before;
            ++passes;
            if (interval > 2 * periodUs)
                ++late;
            if (interval > longestUs)
                longestUs = interval;
        }
        for (int i = 0; i < frames * 2; i += 2)
            if (std::abs(int(samples[i])) > 200)
                ++loudFrames;
    }
    void Reset()
    {
        last = 0;
        passes = 0;
        late = 0;
        longestUs = 0;
        loudFrames = 0;
    }
};

// The user interface thread's longest time away from its event loop, seen by
// a timer that asks every 2 ms.
class StallProbe final : public QObject {
public:
    StallProbe()
    {
        m_timer.setTimerType(Qt::PreciseTimer);
        m_timer.setInterval(2);
        connect(&m_timer, &QTimer::timeout, this, [this] {
            const qint64 now = NowUs();
            if (m_last > 0)
                m_longestUs = std::max(m_longestUs, now - m_last);
            m_last = now;
        });
    }
    void Start()
    {
        m_last = 0;
        m_longestUs = 0;
        m_timer.start();
    }
    qint64 Stop()
    {
        m_timer.stop();
        return m_longestUs;
    }

private:
    QTimer m_timer;
    qint64 m_last = 0;
    qint64 m_longestUs = 0;
};

struct PhaseFigures {
    double seconds = 0;
    ChimeiCtl_A::FrameStats frames;
    qint64 stallUs = 0;
    qint64 underruns = 0;
    qint64 mixes = 0;
    qint64 lateMixes = 0;
    qint64 longestMixUs = 0;
    double heardSeconds = 0;
    int steps = 0;
    int announcements = 0;
    int routeSets = 0;
    // Each press from the button going down to the run hearing it was done:
    // the time it took (a blocking chime waits in it) and the thread's
    // processor time in it.
    std::vector<double> pressMs;
    std::vector<double> pressCpuMs;
};

void Print(const char* what, const PhaseFigures& f)
{
    std::printf("%s, %.1f s:\n", what, f.seconds);
    std::printf("  scroll:  %lld frames, %lld late (more than half a frame), longest %lld ms\n",
                static_cast<long long>(f.frames.frames), static_cast<long long>(f.frames.late),
                static_cast<long long>(f.frames.longest));
    std::printf("  thread:  longest away from its event loop %.1f ms\n", f.stallUs / 1000.0);
    std::printf("  audio:   %lld mixes, %lld more than two buffers apart (longest %.1f ms); "
                "%lld gaps in a sound or the speech; sound heard %.1f s\n",
                static_cast<long long>(f.mixes), static_cast<long long>(f.lateMixes),
                f.longestMixUs / 1000.0, static_cast<long long>(f.underruns), f.heardSeconds);
    if (f.steps + f.announcements + f.routeSets > 0)
        std::printf("  run:     %d announcements (送り), %d データ送り, %d route sets\n",
                    f.announcements, f.steps, f.routeSets);
    if (!f.pressMs.empty()) {
        std::vector<double> ms = f.pressMs;
        std::sort(ms.begin(), ms.end());
        std::vector<double> cpu = f.pressCpuMs;
        std::sort(cpu.begin(), cpu.end());
        std::printf("  presses: %zu; each took %.0f ms (median; a blocking chime waits in it), "
                    "the thread's processor time in it %.2f ms median, %.2f ms at most\n",
                    ms.size(), ms[ms.size() / 2], cpu[cpu.size() / 2], cpu.back());
    }
}

} // namespace

int main(int argc, char** argv)
{
    int seconds = 60;
    for (int i = 1; i + 1 < argc; ++i)
        if (std::strcmp(argv[i], "--seconds") == 0)
            seconds = std::clamp(std::atoi(argv[i + 1]), 5, 3600);

    // The user's own settings (voice, 運行 bar, web view) play no part.
    QTemporaryDir home;
    qputenv("XDG_CONFIG_HOME", home.filePath(QStringLiteral("config")).toUtf8());
    qputenv("XDG_DATA_HOME", home.filePath(QStringLiteral("data")).toUtf8());
    if (qEnvironmentVariableIsEmpty("SDL_AUDIODRIVER"))
        qputenv("SDL_AUDIODRIVER", "dummy");
    QApplication app(argc, argv);
    QApplication::setApplicationName(QStringLiteral("ルトミア"));

    const QString demo = home.filePath(QStringLiteral("demo"));
    if (!CopyDemo(QStringLiteral(RUTOMIA_DEMO_DATA), demo)) {
        std::fprintf(stderr, "bench_runscroll: cannot copy the demo data from %s\n",
                     RUTOMIA_DEMO_DATA);
        return 1;
    }

    Rutomia program;
    program.ini().setFolders(home.filePath(QStringLiteral("prog")),
                             home.filePath(QStringLiteral("config")));
    program.Start();
    // The demo's first settings, anchored in the copy.
    SettingsRecord rec;
    program.options().GetOptionInfo(rec);
    ApplyDemoProfile(rec);
    AnchorDemoProfile(rec, demo);
    if (program.options().SetOptionInfo(rec)) {
        std::fprintf(stderr, "bench_runscroll: the demo settings do not apply\n");
        return 1;
    }

    // The mixer, the speech engine and the voices come up after the first paint.
    QElapsedTimer wait;
    wait.start();
    while (!program.tape().EngineKnown() && wait.elapsed() < 20000)
        RunEventsFor(100);
    MixerBackend& mixer = program.mci().Backend();
    const SpeechEngine* engine = program.tape().Engine();
    std::printf("Audio driver %s, %d Hz, %d frames a mix; speech %s\n",
                qPrintable(mixer.DriverName()), mixer.OutputFormat().rate,
                mixer.OutputFormat().bufferFrames,
                engine && engine->Available() ? qPrintable(engine->Name()) : "none");

    MixCadence cadence;
    const MixerBackend::Format format = mixer.OutputFormat();
    cadence.periodUs = format.rate > 0 ? qint64(format.bufferFrames) * 1000000 / format.rate : 0;
    mixer.SetPostMixTap([&cadence](const qint16* s, int frames) { cadence.Pass(s, frames); });

    ChimeiCtl_A* chimei = program.board().ChimeiCtl();
    chimei->setScrollStartWait(0);
    chimei->setSpeed(kScrollSpeed);

    StallProbe probe;
    const auto measure = [&](PhaseFigures& f, const std::function<void()>& begin) {
        const qint64 underruns = mixer.Underruns();
        cadence.Reset();
        probe.Start();
        if (begin)
            begin();
        chimei->resetFrameStats();
        QElapsedTimer t;
        t.start();
        RunEventsFor(seconds * 1000);
        f.seconds = t.nsecsElapsed() / 1e9;
        f.frames = chimei->frameStats();
        f.stallUs = probe.Stop();
        f.underruns = mixer.Underruns() - underruns;
        f.mixes = cadence.passes;
        f.lateMixes = cadence.late;
        f.longestMixUs = cadence.longestUs;
        f.heardSeconds = format.rate > 0 ? double(cadence.loudFrames) / format.rate : 0;
    };

    // Alone: route 1 keyed in, its first stop's name scrolling; the route-set
    // chime and the lamp test over before measuring.
    RunRequest request;
    request.route = QStringLiteral("1");
    request.speed = 60;
    request.loop = true;
    frmCtl& panel = program.panel();
    panel.Label2(0)->setText(request.route);
    panel.Label2(2)->setText(request.section);
    panel.Command1_Click(1);
    if (panel.Route().RouteNo != request.route || chimei->Text() != kLongName) {
        std::fprintf(stderr, "bench_runscroll: route 1 of the demo does not set\n");
        return 1;
    }
    RunEventsFor(5000);
    if (!chimei->isScrolling()) {
        std::fprintf(stderr, "bench_runscroll: the name does not scroll\n");
        return 1;
    }
    PhaseFigures alone;
    measure(alone, {});

    // With the run: the program's own start of a run, as --run does it.
    PhaseFigures withRun;
    RunExecutor& run = program.run();
    // A press: the board, the preview, the sounds, the speech's start.
    QElapsedTimer pressClock;
    double pressCpu0 = 0;
    const auto pressed = [&] {
        pressClock.start();
        pressCpu0 = ThreadCpuMs();
    };
    QObject::connect(panel.cmdTapeNext(), &QPushButton::pressed, pressed);
    QObject::connect(panel.Command2(1), &QPushButton::pressed, pressed);
    QObject::connect(&run, &RunExecutor::performed, [&](const RunAction& a) {
        if (a.kind != RunActionKind::SetRoute && pressClock.isValid()) {
            withRun.pressMs.push_back(double(pressClock.nsecsElapsed()) / 1e6);
            withRun.pressCpuMs.push_back(ThreadCpuMs() - pressCpu0);
            pressClock.invalidate();
        }
        switch (a.kind) {
        case RunActionKind::TapeNext:
            ++withRun.announcements;
            break;
        case RunActionKind::DataNext:
            ++withRun.steps;
            break;
        case RunActionKind::SetRoute:
            ++withRun.routeSets;
            break;
        }
    });
    QObject::connect(&run, &RunExecutor::refused, [](const QString& reason) {
        std::fprintf(stderr, "bench_runscroll: the run stopped: %s\n", qPrintable(reason));
    });
    measure(withRun, [&] { program.StartRun(request); });
    run.stop();
    mixer.SetPostMixTap({});

    std::printf("Scrolling a ten-character name at Speed %d, frame timer %d ms\n", kScrollSpeed,
                chimei->tickInterval());
    Print("Alone", alone);
    Print("With a run of the demo's route 1 at x60", withRun);
    std::printf("\n");
    Figure("scroll beside a run x60, worst frame over alone",
           double(withRun.frames.longest - alone.frames.longest), "ms", 1);
    Figure("scroll beside a run x60, late frames",
           withRun.frames.frames
               ? 100.0 * double(withRun.frames.late) / double(withRun.frames.frames)
               : 100.0,
           "%", 1);
    Figure("run x60 beside a scroll, audio gaps", double(withRun.underruns + withRun.lateMixes), "",
           0);
    return withRun.announcements > 0 && withRun.frames.frames > 0 ? 0 : 1;
}

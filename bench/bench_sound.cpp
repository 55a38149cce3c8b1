// SPDX-License-Identifier: GPL-3.0-or-later
// Sound figures: the time from the step button's click handler to the first
// audible sample of the step sound leaving the mixer (seen by the post-mix
// tap), the longest the user interface thread is held while long sounds
// start, and the processor share of the whole program while a sound plays.
// Uses SDL's dummy driver (which keeps real time) unless SDL_AUDIODRIVER says
// otherwise; runs without a display unless one is given.
//
//   bench_sound [--runs N]

#include "bench/Figure.h"
#include "companion/SysWait.h"
#include "panel/BoardWindows.h"
#include "panel/FareData.h"
#include "sound/MciInterpreter.h"
#include "sound/MixerBackendSdl.h"
#include "sound/mdlSndAPI.h"
#include "tests/SoundTestSupport.h"

#include <QApplication>
#include <QElapsedTimer>
#include <QLineEdit>
#include <QPushButton>
#include <QTemporaryDir>
#include <QTimer>

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <ctime>
#include <numeric>
#include <vector>

namespace {

// The processor time of the whole process, every thread included.
double CpuSeconds()
{
    return double(std::clock()) / CLOCKS_PER_SEC;
}

// Processor share of the process while `play` sounds for `seconds`, the
// event loop running as in the program.
double CpuShare(const std::function<void()>& play, double seconds)
{
    play();
    const double cpu0 = CpuSeconds();
    QElapsedTimer wall;
    wall.start();
    ltm4::Wait(int(seconds * 1000));
    return (CpuSeconds() - cpu0) / (double(wall.nsecsElapsed()) / 1e9);
}

struct Stall {
    double timerGapMs = 0; // longest gap between ticks of a 1 ms timer
    double playCallMs = 0; // longest time inside one play call
};

// The user interface thread while `plays` run one after another with a
// moment between them, as a user's clicks would.
Stall MeasureStall(const std::vector<std::function<void()>>& plays)
{
    Stall stall;
    QElapsedTimer clock;
    clock.start();
    qint64 last = 0;
    QTimer tick;
    tick.setTimerType(Qt::PreciseTimer);
    QObject::connect(&tick, &QTimer::timeout, [&] {
        const qint64 now = clock.nsecsElapsed();
        stall.timerGapMs = std::max(stall.timerGapMs, double(now - last) / 1e6);
        last = now;
    });
    tick.start(1);
    ltm4::Wait(30);
    stall.timerGapMs = 0;
    for (const std::function<void()>& play : plays) {
        const qint64 before = clock.nsecsElapsed();
        play();
        stall.playCallMs = std::max(stall.playCallMs, double(clock.nsecsElapsed() - before) / 1e6);
        ltm4::Wait(50);
    }
    ltm4::Wait(200);
    return stall;
}

} // namespace

int main(int argc, char** argv)
{
    if (qEnvironmentVariableIsEmpty("DISPLAY") && qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM"))
        qputenv("QT_QPA_PLATFORM", "offscreen");
    if (qEnvironmentVariableIsEmpty("SDL_AUDIODRIVER"))
        qputenv("SDL_AUDIODRIVER", "dummy");
    QApplication app(argc, argv);
    int runs = 40;
    if (argc == 3 && std::strcmp(argv[1], "--runs") == 0)
        runs = std::max(5, std::atoi(argv[2]));

    QTemporaryDir dir;
    QList<StopRecord> stops(10);
    for (int i = 0; i < stops.size(); ++i)
        stops[i].StopName = QStringLiteral("停留所%1").arg(i + 1);
    const QString step = dir.filePath(QStringLiteral("step.wav"));
    const QString tone = dir.filePath(QStringLiteral("tone.wav"));
    const QString midi = dir.filePath(QStringLiteral("long.mid"));
    if (!WriteFile(dir.filePath(QStringLiteral("1.hy3")), EncodeFareFile(stops).bytes) ||
        !WriteFile(step, StepChimeWav()) || !WriteFile(tone, SteadyToneWav(440, 5)) ||
        !WriteFile(midi, MidiNotes(4500, 64, 69, 19)))
        return 1;
    // Two minutes of MP3 at 128 kb/s, about 2 MB; made by lame when installed.
    const QByteArray longMp3 = RepeatedMp3(SteadyToneWav(1000, 10), 128, 13);

    std::unique_ptr<MixerBackendSdl> sdl = MixerBackendSdl::Open();
    if (!sdl) {
        std::fprintf(stderr, "bench_sound: SDL's mixer did not open\n");
        return 1;
    }
    const MixerBackend::Format format = sdl->OutputFormat();
    const QString driver = sdl->DriverName();
    MciInterpreter mci(std::move(sdl));
    mdlSndAPI snd(QStringLiteral("517"), [&](const QString& c) { return mci.SendString(c); });
    TapRecorder tap(mci.Backend());

    BoardWindows windows;
    frmOption& option = windows.option;
    Form1& board = windows.board;
    frmCtl& ctl = windows.ctl;
    frmCtl::Services services;
    services.SndPlay = [&](const QString& p, const QString& c, qint16 sync, qint16 delay) {
        snd.SndPlay(p, c, sync, delay);
    };
    ctl.setServices(services);
    windows.Load();
    board.show();
    option.Text2(0)->setText(dir.path());
    option.txtSelectSound(7)->setText(step);
    const auto previousWait = ltm4::SetWaitOverride([](int) {});
    for (int key : {10, 1, 11, 1})
        ctl.CommandButton1(key)->click();
    ctl.Command1(1)->click();
    ltm4::SetWaitOverride(previousWait);
    if (ctl.Route().DataCount != stops.size()) {
        std::fprintf(stderr, "bench_sound: the route did not load\n");
        return 1;
    }

    // A sample above 1% of full scale counts as heard.
    constexpr int kAudible = 328;
    std::vector<double> ms;
    for (int i = 0; i < runs; ++i) {
        snd.SndCloseAll();
        ltm4::Wait(60); // silence in the mixer again
        tap.ArmFirstLoud(kAudible);
        const auto clicked = TapRecorder::Clock::now();
        ctl.Command2(i % 2 == 0 ? 1 : 0)->click();
        QElapsedTimer t;
        t.start();
        while (!tap.FirstLoud() && t.elapsed() < 2000)
            ltm4::Wait(1);
        if (!tap.FirstLoud()) {
            std::fprintf(stderr, "bench_sound: the step sound was never heard\n");
            return 1;
        }
        ms.push_back(std::chrono::duration<double, std::milli>(*tap.FirstLoud() - clicked).count());
    }
    std::sort(ms.begin(), ms.end());
    const double mean = std::accumulate(ms.begin(), ms.end(), 0.0) / double(ms.size());
    const double bufferMs = 1000.0 * format.bufferFrames / std::max(1, format.rate);
    std::printf("Step click to first audible sample leaving the mixer (driver %s, %d Hz, "
                "%d-frame buffer = %.1f ms)\n",
                qPrintable(driver), format.rate, format.bufferFrames, bufferMs);
    std::printf("%-34s median %6.1f ms   mean %6.1f ms   max %6.1f ms   (%d runs)\n",
                "click to sound", ms[ms.size() / 2], mean, ms.back(), runs);
    std::printf("goal: below 30 ms\n\n");
    Figure("step click to first sound sample, median", ms[ms.size() / 2], "ms", 30);

    if (longMp3.isEmpty()) {
        std::printf("Long sounds starting: skipped, lame is not installed\n\n");
    } else {
        // A fresh copy of each file every run, so that nothing comes from the
        // decoded-sound cache: every start probes and opens the file anew.
        std::vector<Stall> stalls;
        for (int i = 0; i < 7; ++i) {
            snd.SndCloseAll();
            const QString mp3 = dir.filePath(QStringLiteral("long%1.mp3").arg(i));
            const QString mid = dir.filePath(QStringLiteral("long%1.mid").arg(i));
            if (!WriteFile(mp3, longMp3) || !QFile::copy(midi, mid))
                return 1;
            stalls.push_back(MeasureStall({[&] { snd.SndPlay(mp3, QStringLiteral("S1"), 0, 0); },
                                           [&] { snd.SndPlay(mid, QStringLiteral("S2"), 0, 0); }}));
        }
        snd.SndCloseAll();
        const auto median = [&](double Stall::*field) {
            std::vector<double> v;
            for (const Stall& st : stalls)
                v.push_back(st.*field);
            std::sort(v.begin(), v.end());
            return std::pair{v[v.size() / 2], v.back()};
        };
        const auto [gap, gapMax] = median(&Stall::timerGapMs);
        const auto [call, callMax] = median(&Stall::playCallMs);
        std::printf("User interface thread while a %.1f MB MP3 (S1) and a five-minute MIDI file "
                    "(S2) start, %zu runs\n",
                    double(longMp3.size()) / 1e6, stalls.size());
        std::printf("%-34s median %6.1f ms   max %6.1f ms\n", "longest 1 ms timer gap", gap,
                    gapMax);
        std::printf("%-34s median %6.1f ms   max %6.1f ms\n", "longest play call", call, callMax);
        std::printf("goal: below 16 ms (one frame)\n\n");
        Figure("UI thread's longest stall while long sounds start, median", gap, "ms", 16);
    }

    snd.SndCloseAll();
    std::printf("Processor share of the program (100%% = one core)\n");
    std::printf("%-34s %5.1f %%\n", "idle, nothing playing", 100 * CpuShare([] {}, 2.0));
    const double wavShare =
        100 * CpuShare([&] { snd.SndPlay(tone, QStringLiteral("S1"), 0, 0); }, 3.0);
    std::printf("%-34s %5.1f %%\n", "WAV playing", wavShare);
    Figure("processor share while a sound plays", wavShare, "%", 5);
    snd.SndCloseAll();
    std::printf("%-34s %5.1f %%\n", "MIDI streaming (synthesised)",
                100 * CpuShare([&] { snd.SndPlay(midi, QStringLiteral("S3"), 0, 0); }, 3.0));
    snd.SndCloseAll();
    if (!longMp3.isEmpty())
        std::printf("%-34s %5.1f %%\n", "MP3 streaming",
                    100 * CpuShare(
                              [&] {
                                  snd.SndPlay(dir.filePath(QStringLiteral("long0.mp3")),
                                              QStringLiteral("S1"), 0, 0);
                              },
                              3.0));
    snd.SndCloseAll();
    return 0;
}

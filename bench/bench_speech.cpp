// SPDX-License-Identifier: GPL-3.0-or-later
// Speech figures: the time from "送り" (the tape's next-entry operation, on
// an entry without a chime) to the first audible speech sample leaving the
// mixer, and each engine's synthesis real-time factor (processing time over
// the length of the speech made). Uses SDL's dummy driver, which keeps real
// time, unless SDL_AUDIODRIVER says otherwise.
//
//   bench_speech [--runs N]

#include "bench/Figure.h"
#include "sound/MixerBackend.h"
#include "sound/SpeechEngineEspeak.h"
#include "sound/SpeechEngineOpenJTalk.h"
#include "sound/mdlM_Tape.h"
#include "tests/SoundTestSupport.h"

#include <QCoreApplication>
#include <QElapsedTimer>
#include <QFile>
#include <QTemporaryDir>
#include <QThread>

#include <algorithm>
#include <cstdio>
#include <cstring>
#include <vector>

namespace {

const char* const kEntries[] = {
    "次は、市役所前です。お降りの方は、ボタンでお知らせください。",
    "発車します。お立ちの方は、つり革や手すりにおつかまりください。",
    "ご乗車ありがとうございます。このバスは、市役所前、運動公園経由、車庫前行きです。",
};

double Median(std::vector<double> v)
{
    std::sort(v.begin(), v.end());
    return v.empty() ? 0 : v[v.size() / 2];
}

} // namespace

int main(int argc, char** argv)
{
    if (qEnvironmentVariableIsEmpty("SDL_AUDIODRIVER"))
        qputenv("SDL_AUDIODRIVER", "dummy");
    QCoreApplication app(argc, argv);
    int runs = 10;
    for (int i = 1; i + 1 < argc; ++i)
        if (std::strcmp(argv[i], "--runs") == 0)
            runs = std::max(1, std::atoi(argv[i + 1]));

    std::unique_ptr<MixerBackend> mixer = MixerBackend::Create();
    std::printf("audio driver: %s, %d-frame buffers at %d Hz\n", qPrintable(mixer->DriverName()),
                mixer->OutputFormat().bufferFrames, mixer->OutputFormat().rate);

    QTemporaryDir dir;
    {
        QFile f(dir.filePath(QStringLiteral("1tp.csv")));
        f.open(QIODevice::WriteOnly);
        for (const char* e : kEntries)
            f.write(QByteArray("\"") + e + "\",1,0\r\n");
    }

    for (const QString& id : {QStringLiteral("openjtalk"), QStringLiteral("espeak")}) {
        const auto make = [&]() -> std::unique_ptr<SpeechEngineSynth> {
            auto source = [&] { return mixer.get(); };
            if (id == QLatin1String("openjtalk"))
                return std::make_unique<SpeechEngineOpenJTalk>(source);
            return std::make_unique<SpeechEngineEspeak>(source);
        };
        if (!make()->Available()) {
            std::printf("\n%s: not available\n", qPrintable(id));
            continue;
        }
        std::printf("\n== %s\n", qPrintable(id));

        // Real-time factor over whole entries, synthesised on this thread.
        {
            auto engine = make();
            double work = 0, speech = 0;
            for (int r = 0; r < std::max(1, runs / 3); ++r) {
                for (const char* e : kEntries) {
                    QElapsedTimer t;
                    t.start();
                    const Pcm pcm = engine->SynthesizeAll(QString::fromUtf8(e));
                    work += double(t.nsecsElapsed()) / 1e9;
                    speech += pcm.Seconds();
                }
            }
            std::printf("synthesis real-time factor: %.3f (%.2f s of work for %.2f s of speech)\n",
                        speech > 0 ? work / speech : 0.0, work, speech);
            // Well below real time, so a sentence is made faster than it is spoken.
            Figure(qPrintable(id + QStringLiteral(" synthesis real-time factor")),
                   speech > 0 ? work / speech : 0.0, "", 0.5);
        }

        // "送り" to the first audible sample. Between two presses the tape
        // makes the next entry's first sentence ahead (as it has seconds to
        // in a bus); "cold" is a text the engine has not seen.
        TapRecorder tap(*mixer);
        mdlM_Tape::Hooks hooks;
        SpeechEngineSynth* synth = nullptr;
        hooks.CreateEngine = [&]() -> std::unique_ptr<SpeechEngine> {
            auto e = make();
            synth = e.get();
            return e;
        };
        mdlM_Tape tape(hooks);
        tape.TapeInit();
        tape.TapeLoad(dir.path() + u'/', QStringLiteral("1"));
        const auto firstHeard = [&](const std::function<void()>& press) -> double {
            tap.ArmFirstLoud(1000);
            const auto start = TapRecorder::Clock::now();
            press();
            QElapsedTimer wait;
            wait.start();
            while (!tap.FirstLoud() && wait.elapsed() < 5000)
                QThread::msleep(1);
            const auto heard = tap.FirstLoud();
            return heard ? std::chrono::duration<double, std::milli>(*heard - start).count() : -1;
        };
        std::vector<double> ready, cold;
        for (int r = 0; r < runs; ++r) {
            if (tape.GetTapeIndex() == tape.GetTapeCount())
                tape.TapeLoad(dir.path() + u'/', QStringLiteral("1"));
            const QString next = QString::fromUtf8(kEntries[tape.GetTapeIndex()]);
            QElapsedTimer wait;
            wait.start();
            while (!synth->Prepared(next) && wait.elapsed() < 5000)
                QThread::msleep(5);
            if (const double ms = firstHeard([&] { tape.TapeNext(); }); ms >= 0)
                ready.push_back(ms);
            tape.TapeStop();
            const QString unseen = QStringLiteral("次は、市役所第%1庁舎前です。").arg(r + 2);
            if (const double ms = firstHeard([&] { synth->Speak(unseen); }); ms >= 0)
                cold.push_back(ms);
            synth->Stop();
            QThread::msleep(50);
        }
        tape.TapeRelease();
        const auto report = [](const char* what, const std::vector<double>& v) {
            if (v.empty())
                std::printf("%s: never heard\n", what);
            else
                std::printf("%s: median %.0f ms, worst %.0f ms (%zu runs)\n", what, Median(v),
                            *std::max_element(v.begin(), v.end()), v.size());
        };
        report("送り to first speech sample, entry made ahead", ready);
        report("speak to first speech sample, cold", cold);
        if (!ready.empty())
            Figure(qPrintable(id + QStringLiteral(" 送り to first speech sample, median")),
                   Median(ready), "ms", 250);
        if (!cold.empty())
            Figure(qPrintable(id + QStringLiteral(" unseen text to first speech, median")),
                   Median(cold), "ms", 250);
    }
    return 0;
}

// SPDX-License-Identifier: GPL-3.0-or-later
// Speech figures, all at the mixer's output (post-mix): the time from "送り"
// (the tape's next-entry operation, on an entry without a chime) to the first
// audible speech sample, for the first entry after a route set and for the
// 20th, reached by 送り every 2 s from the route set; the gap between the
// end of a blocking chime and the speech after it; speech of a text not made
// before; and each engine's synthesis real-time factor (processing time over
// the length of the speech made). Uses SDL's dummy driver, which keeps real
// time, unless SDL_AUDIODRIVER says otherwise.
//
//   bench_speech [--runs N]

#include "bench/Figure.h"
#include "sound/MciInterpreter.h"
#include "sound/MixerBackend.h"
#include "sound/SpeechEngineEspeak.h"
#include "sound/SpeechEngineOpenJTalk.h"
#include "sound/mdlM_Tape.h"
#include "sound/mdlSndAPI.h"
#include "tests/SoundTestSupport.h"

#include <QCoreApplication>
#include <QElapsedTimer>
#include <QFile>
#include <QTemporaryDir>
#include <QThread>

#include <algorithm>
#include <cstdio>
#include <cstring>
#include <iterator>
#include <optional>
#include <vector>

namespace {

// An ordinary tape: one entry a stop, two sentences each.
const char* const kStops[] = {
    "市役所前", "本町二丁目", "中央病院", "運動公園", "緑町",     "港町",   "図書館前", "北高校",
    "南台団地", "駅前通り",   "消防署前", "農協前",   "上野原",   "下野原", "川端",     "橋本",
    "若葉台",   "桜ヶ丘",     "旭町",     "東公民館", "西小学校", "山の手", "車庫前",   "終点広場",
};
constexpr int kStopCount = int(std::size(kStops));
// The panel's route set: the announcement list is loaded, then the lamp test
// runs for 3 s before the buttons take input again.
constexpr int kLampTestMs = 3000;
constexpr int kPressEveryMs = 2000;
constexpr int kPresses = 20;
// The first speech sample: as loud as what the engines count as speech when
// they trim the silence around a sentence (TrimSilence). A louder level would
// measure the voice's onset instead: the first syllable of some entries takes
// 80 ms to swell from this to 1000.
constexpr int kSpeech = 200;
// The chime, well above that.
constexpr int kChime = 1000;

double Median(std::vector<double> v)
{
    std::sort(v.begin(), v.end());
    return v.empty() ? 0 : v[v.size() / 2];
}

// Runs the event loop (the engine is taken up through it) for a while.
void Spin(int ms)
{
    QElapsedTimer t;
    t.start();
    while (t.elapsed() < ms) {
        QCoreApplication::processEvents(QEventLoop::AllEvents, 5);
        QThread::msleep(1);
    }
}

void Report(const char* what, const std::vector<double>& v)
{
    if (v.empty())
        std::printf("%s: never heard\n", what);
    else
        std::printf("%s: median %.0f ms, worst %.0f ms (%zu runs)\n", what, Median(v),
                    *std::max_element(v.begin(), v.end()), v.size());
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

    // The chimes go through the sound module and its command strings, as in
    // the program, so a blocking chime waits as it does there.
    MciInterpreter mci(MixerBackend::Create());
    MixerBackend* mixer = &mci.Backend();
    mdlSndAPI snd(QStringLiteral("bench"), [&](const QString& c) { return mci.SendString(c); });
    const int rate = mixer->OutputFormat().rate;
    std::printf("audio driver: %s, %d-frame buffers at %d Hz\n", qPrintable(mixer->DriverName()),
                mixer->OutputFormat().bufferFrames, rate);

    QTemporaryDir dir;
    const QString folder = dir.path() + u'/';
    const QString chime = dir.filePath(QStringLiteral("chime.wav"));
    WriteFile(chime, SteadyToneWav(880, 0.3));
    {
        // Route 1 without chimes, route 2 with one before every entry.
        QFile plain(dir.filePath(QStringLiteral("1tp.csv")));
        QFile chimed(dir.filePath(QStringLiteral("2tp.csv")));
        plain.open(QIODevice::WriteOnly);
        chimed.open(QIODevice::WriteOnly);
        for (int i = 0; i < kStopCount; ++i) {
            const QByteArray text =
                QStringLiteral("次は、%1です。お降りの方は、ボタンでお知らせください。")
                    .arg(QString::fromUtf8(kStops[i]))
                    .toUtf8();
            plain.write("\"" + text + "\",0,0\r\n");
            chimed.write("\"" + text + "\",0,1\r\n");
        }
    }

    for (const QString& id : {QStringLiteral("openjtalk"), QStringLiteral("espeak")}) {
        const auto make = [&]() -> std::unique_ptr<SpeechEngineSynth> {
            auto source = [&] { return mixer; };
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
                for (int i = 0; i < 3; ++i) {
                    const QString text =
                        QStringLiteral("次は、%1です。お降りの方は、ボタンでお知らせください。")
                            .arg(QString::fromUtf8(kStops[i]));
                    QElapsedTimer t;
                    t.start();
                    const Pcm pcm = engine->SynthesizeAll(text);
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

        TapRecorder tap(*mixer);
        SpeechEngineSynth* synth = nullptr;
        mdlM_Tape::Hooks hooks;
        hooks.CreateEngine = [&]() -> std::unique_ptr<SpeechEngine> {
            auto e = make();
            synth = e.get();
            return e;
        };
        hooks.PreSound = [&] {
            mdlM_Tape::PreSoundOptions o;
            o.PreSoundSync = -1;
            o.PreSoundFlag[1] = chime;
            return o;
        };
        hooks.SndPlay = [&](const QString& path, const QString& channel, qint16 sync,
                            qint16 delay) { snd.SndPlay(path, channel, sync, delay); };
        mdlM_Tape tape(hooks);
        tape.TapeInit();
        while (!tape.EngineKnown())
            Spin(5);

        // "送り" to the first audible sample, in milliseconds; -1: not heard.
        const auto pressNext = [&]() -> double {
            tap.ArmFirstLoud(kSpeech);
            const auto start = TapRecorder::Clock::now();
            tape.TapeNext();
            QElapsedTimer wait;
            wait.start();
            while (!tap.FirstLoud() && wait.elapsed() < 5000)
                QThread::msleep(1);
            const auto heard = tap.FirstLoud();
            return heard ? std::chrono::duration<double, std::milli>(*heard - start).count() : -1;
        };

        // The route set, then 送り every 2 s.
        tape.TapeLoad(folder, QStringLiteral("1"));
        Spin(kLampTestMs);
        std::vector<double> presses;
        QElapsedTimer schedule;
        schedule.start();
        for (int n = 1; n <= kPresses; ++n) {
            presses.push_back(pressNext());
            Spin(int(std::max<qint64>(0, qint64(n) * kPressEveryMs - schedule.elapsed())));
        }
        tape.TapeStop();
        std::printf("送り to first speech sample, each entry (ms):");
        for (double ms : presses)
            std::printf(" %.0f", ms);
        std::printf("\n送り to first speech sample: 1st entry after the route set %.0f ms, "
                    "20th %.0f ms\n",
                    presses.front(), presses.back());
        Report("送り to first speech sample, 20 entries every 2 s", presses);
        Figure(qPrintable(id + QStringLiteral(" 送り to first speech, 1st entry after route set")),
               presses.front(), "ms", 80);
        Figure(qPrintable(id + QStringLiteral(" 送り to first speech, 20th entry at 2 s steps")),
               presses.back(), "ms", 80);
        Figure(qPrintable(id + QStringLiteral(" 送り to first speech, worst of 20 entries")),
               *std::max_element(presses.begin(), presses.end()), "ms", 80);

        // A blocking chime before each entry: from its end to the speech.
        tape.TapeLoad(folder, QStringLiteral("2"));
        Spin(kLampTestMs);
        // Measured in the mixer's output: from the chime's last audible sample
        // to the speech's first, as a listener hears the gap.
        std::vector<double> afterChime;
        for (int r = 0; r < runs; ++r) {
            const size_t from = tap.Frames();
            tape.TapeNext();
            Spin(300);
            const std::vector<qint16> heard = tap.Since(from);
            const auto above = [&](size_t i, int level) {
                return std::abs(int(heard[i])) >= level;
            };
            size_t start = 0;
            while (start < heard.size() && !above(start, kChime))
                ++start;
            // The chime ends where half a millisecond of silence begins: the
            // tone itself is never that quiet for so long.
            const size_t quiet = size_t(rate) / 2000;
            size_t end = start; // one past the chime's last audible sample
            for (size_t i = start; i < heard.size() && i - end < quiet; ++i)
                if (above(i, kSpeech))
                    end = i + 1;
            size_t speech = end;
            while (speech < heard.size() && !above(speech, kSpeech))
                ++speech;
            if (speech < heard.size())
                afterChime.push_back(double(speech - end) * 1000 / rate);
            tape.TapeStop();
            Spin(100);
        }
        Report("end of a blocking chime to first speech sample", afterChime);
        if (!afterChime.empty())
            Figure(qPrintable(id + QStringLiteral(" blocking chime end to speech, median")),
                   Median(afterChime), "ms", 30);

        // A text the engine has not seen.
        std::vector<double> cold;
        for (int r = 0; r < runs; ++r) {
            tap.ArmFirstLoud(kSpeech);
            const auto start = TapRecorder::Clock::now();
            synth->Speak(QStringLiteral("次は、市役所第%1庁舎前です。").arg(r + 2));
            QElapsedTimer wait;
            wait.start();
            while (!tap.FirstLoud() && wait.elapsed() < 5000)
                QThread::msleep(1);
            if (const auto heard = tap.FirstLoud())
                cold.push_back(std::chrono::duration<double, std::milli>(*heard - start).count());
            synth->Stop();
            QThread::msleep(50);
        }
        tape.TapeRelease();
        Report("speak to first speech sample, cold", cold);
        if (!cold.empty())
            Figure(qPrintable(id + QStringLiteral(" unseen text to first speech, median")),
                   Median(cold), "ms", 250);
    }
    return 0;
}

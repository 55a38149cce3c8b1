// SPDX-License-Identifier: GPL-3.0-or-later
// Reads raw audio as SDL's disk driver writes it (signed 16-bit, interleaved)
// and prints when each of the demo's tones is first heard:
//   tonescan <file.raw> [rate [channels]]
// One line per tone: its name and the second it starts, or "-" if never.
// Then "speech": when sound is first heard that is none of these tones
// (loud, with no tone of the demo's carrying much of it) for 100 ms.

#include "sound/ToneWav.h"

#include <QFile>

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <numbers>
#include <vector>

namespace {

double Level(const std::vector<double>& s, size_t from, size_t n, double hz, int rate)
{
    const double c = 2 * std::cos(2 * std::numbers::pi * hz / rate);
    double s1 = 0, s2 = 0;
    for (size_t i = from; i < from + n; ++i) {
        const double s0 = s[i] + c * s1 - s2;
        s2 = s1;
        s1 = s0;
    }
    return 2 * std::sqrt(std::max(0.0, s1 * s1 + s2 * s2 - c * s1 * s2)) / double(n);
}

} // namespace

int main(int argc, char** argv)
{
    if (argc < 2) {
        std::fputs("usage: tonescan <file.raw> [rate [channels]]\n", stderr);
        return 2;
    }
    const int rate = argc > 2 ? std::atoi(argv[2]) : 48000;
    const int channels = argc > 3 ? std::atoi(argv[3]) : 2;
    QFile f(QString::fromLocal8Bit(argv[1]));
    if (rate <= 0 || channels <= 0 || !f.open(QIODevice::ReadOnly)) {
        std::fprintf(stderr, "tonescan: cannot read %s\n", argv[1]);
        return 1;
    }
    const QByteArray bytes = f.readAll();
    const size_t frames = size_t(bytes.size()) / 2 / size_t(channels);
    std::vector<double> left(frames);
    const auto* p = reinterpret_cast<const uchar*>(bytes.constData());
    for (size_t i = 0; i < frames; ++i) {
        const size_t at = i * size_t(channels) * 2;
        left[i] = qint16(quint16(p[at] | (p[at + 1] << 8))) / 32768.0;
    }

    struct Tone {
        const char* name;
        double hz;
    };
    const Tone tones[] = {
        {"chime-high", kChimeHighHz}, {"chime-low", kChimeLowHz}, {"step", kStepHz},
        {"pre-low", kPreLowHz},       {"pre-high", kPreHighHz},   {"stop-high", kStopHighHz},
        {"stop-low", kStopLowHz}};
    const size_t window = size_t(rate) / 50; // 20 ms
    for (const Tone& t : tones) {
        double at = -1;
        for (size_t i = 0; i + window <= frames && at < 0; i += window / 2)
            if (Level(left, i, window, t.hz, rate) > 0.05)
                at = double(i) / rate;
        if (at < 0)
            std::printf("%s -\n", t.name);
        else
            std::printf("%s %.3f\n", t.name, at);
    }

    double speech = -1;
    int run = 0;
    for (size_t i = 0; i + window <= frames && speech < 0; i += window / 2) {
        double power = 0;
        for (size_t k = i; k < i + window; ++k)
            power += left[k] * left[k];
        const double amplitude = std::sqrt(2 * power / double(window));
        double strongest = 0;
        for (const Tone& t : tones)
            strongest = std::max(strongest, Level(left, i, window, t.hz, rate));
        run = amplitude > 0.03 && strongest < 0.3 * amplitude ? run + 1 : 0;
        if (run == 10) // 100 ms in half windows
            speech = double(i - 9 * (window / 2)) / rate;
    }
    if (speech < 0)
        std::printf("speech -\n");
    else
        std::printf("speech %.3f\n", speech);
    return 0;
}

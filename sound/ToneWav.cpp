// SPDX-License-Identifier: GPL-3.0-or-later
#include "sound/ToneWav.h"

#include <QtEndian>

#include <algorithm>
#include <cmath>
#include <numbers>
#include <vector>

namespace {

template <typename T> void Put(QByteArray& out, T v)
{
    char b[sizeof(T)];
    qToLittleEndian(v, b);
    out.append(b, sizeof(T));
}

// Partials of a small bell: the fundamental, an octave and a twelfth above,
// the upper ones fading faster.
struct Partial {
    double ratio;
    double gain;
    double decayScale;
};
constexpr Partial kPartials[] = {{1.0, 1.0, 1.0}, {2.0, 0.35, 0.6}, {3.0, 0.12, 0.4}};
constexpr double kAttackSec = 0.004;

} // namespace

QByteArray ToneWav(std::span<const StruckTone> tones, double lengthSec, int rate)
{
    const size_t frames = size_t(std::max(0.0, lengthSec) * rate);
    std::vector<double> mix(frames, 0.0);
    for (const StruckTone& t : tones) {
        const size_t first = size_t(std::max(0.0, t.startSec) * rate);
        for (size_t i = first; i < frames; ++i) {
            const double s = double(i - first) / rate;
            const double attack = std::min(1.0, s / kAttackSec);
            double v = 0;
            for (const Partial& p : kPartials)
                v += p.gain * std::exp(-s / (t.decaySec * p.decayScale)) *
                     std::sin(2 * std::numbers::pi * t.frequencyHz * p.ratio * s);
            mix[i] += t.amplitude * attack * v;
        }
    }
    double peak = 0;
    for (double v : mix)
        peak = std::max(peak, std::abs(v));
    const double scale = peak > 0.98 ? 0.98 / peak : 1.0;

    const quint32 dataBytes = quint32(frames * 2);
    QByteArray out;
    out.reserve(44 + qsizetype(dataBytes));
    out += "RIFF";
    Put<quint32>(out, 36 + dataBytes);
    out += "WAVEfmt ";
    Put<quint32>(out, 16);
    Put<quint16>(out, 1); // PCM
    Put<quint16>(out, 1); // mono
    Put<quint32>(out, quint32(rate));
    Put<quint32>(out, quint32(rate) * 2);
    Put<quint16>(out, 2);
    Put<quint16>(out, 16);
    out += "data";
    Put<quint32>(out, dataBytes);
    for (double v : mix)
        Put<qint16>(out, qint16(std::lround(std::clamp(v * scale, -1.0, 1.0) * 32767)));
    return out;
}

QByteArray RouteSetChimeWav()
{
    const StruckTone tones[] = {{0.0, kChimeHighHz, 0.45, 0.45}, {0.5, kChimeLowHz, 0.6, 0.45}};
    return ToneWav(tones, 2.0);
}

QByteArray PreAnnounceChimeWav()
{
    const StruckTone tones[] = {{0.0, kPreLowHz, 0.3, 0.45}, {0.28, kPreHighHz, 0.4, 0.45}};
    return ToneWav(tones, 1.3);
}

QByteArray StepChimeWav()
{
    const StruckTone tones[] = {{0.0, kStepHz, 0.07, 0.4}};
    return ToneWav(tones, 0.35);
}

QByteArray StopRequestChimeWav()
{
    const StruckTone tones[] = {{0.0, kStopHighHz, 0.2, 0.4}, {0.16, kStopLowHz, 0.45, 0.45}};
    return ToneWav(tones, 1.2);
}

// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

// What the sound tests and the benchmark share: test sounds made on the spot
// and a post-mix tap that keeps what left the mixer.

#include "sound/MixerBackend.h"
#include "sound/ToneWav.h"

#include <QByteArray>
#include <QFile>
#include <QList>
#include <QProcess>
#include <QStandardPaths>
#include <QString>
#include <QTemporaryDir>

#include <algorithm>
#include <chrono>
#include <cmath>
#include <mutex>
#include <numbers>
#include <optional>
#include <vector>

// A steady sine tone: one struck tone that hardly decays.
inline QByteArray SteadyToneWav(double hz, double seconds)
{
    const StruckTone tone[] = {{0.0, hz, 60.0, 0.4}};
    return ToneWav(tone, seconds);
}

// A MIDI variable-length quantity.
inline void AppendVarLen(QByteArray& b, quint32 v)
{
    QByteArray tmp;
    tmp.prepend(char(v & 0x7F));
    while (v >>= 7)
        tmp.prepend(char((v & 0x7F) | 0x80));
    b += tmp;
}

inline QByteArray Be32(quint32 v)
{
    const char b[4] = {char(v >> 24), char(v >> 16), char(v >> 8), char(v)};
    return QByteArray(b, 4);
}

// A standard MIDI file of the given track chunks' contents.
inline QByteArray MidiFile(int format, int division, const QList<QByteArray>& tracks)
{
    const char head[6] = {0,
                          char(format),
                          char(tracks.size() >> 8),
                          char(tracks.size()),
                          char(division >> 8),
                          char(division)};
    QByteArray out = "MThd" + Be32(6) + QByteArray(head, 6);
    for (const QByteArray& t : tracks)
        out += "MTrk" + Be32(quint32(t.size())) + t;
    return out;
}

// A type-0 standard MIDI file: `notes` notes of `ticks` ticks each (480 to
// the quarter note at 120 beats a minute), alternating between key and a
// major third above, played by a General MIDI program (0: piano).
inline QByteArray MidiNotes(int notes, int ticks = 240, int key = 72, int program = 0)
{
    QByteArray track = QByteArray::fromHex("00C0") + char(program);
    for (int i = 0; i < notes; ++i) {
        const char k = char(key + (i % 2) * 4);
        const char on[] = {0, char(0x90), k, 100};
        track.append(on, 4);
        AppendVarLen(track, quint32(ticks));
        const char off[] = {char(0x80), k, 0};
        track.append(off, 3);
    }
    track += QByteArray::fromHex("00FF2F00");
    return MidiFile(0, 480, {track});
}

// Short MIDI files that would play for days or for an hour.
inline QByteArray FarEndMidi()
{
    // 36 bytes: a note whose end is 2^28 - 1 ticks away.
    return MidiFile(0, 480, {QByteArray::fromHex("00C000 00903C64 FFFFFF7F FF2F00")});
}
inline QByteArray HourNoteMidi()
{
    QByteArray track = QByteArray::fromHex("00C000 00903C64");
    AppendVarLen(track, 3600 * 960);
    return MidiFile(0, 480, {track + QByteArray::fromHex("803C00 00FF2F00")});
}

inline bool WriteFile(const QString& path, const QByteArray& bytes)
{
    QFile f(path);
    return f.open(QIODevice::WriteOnly) && f.write(bytes) == bytes.size();
}

// A quiet steady tone at a rate of choice, for sounds that play together.
inline QByteArray QuietToneWav(double hz, double seconds, int rate = 48000)
{
    const StruckTone tone[] = {{0.0, hz, 600.0, 0.15}};
    return ToneWav(tone, seconds, rate);
}

// An MP3 of `repeats` copies of one lame encoding of `wav` at `kbps`: frames
// that stand alone (--nores) and no length header (-t), so the copies join
// into one longer stream whose length mpg123 reads from its frames. Empty
// when lame is not installed.
inline QByteArray RepeatedMp3(const QByteArray& wav, int kbps, int repeats)
{
    const QString lame = QStandardPaths::findExecutable(QStringLiteral("lame"));
    QTemporaryDir dir;
    const QString in = dir.filePath(QStringLiteral("in.wav"));
    const QString out = dir.filePath(QStringLiteral("out.mp3"));
    if (lame.isEmpty() || !dir.isValid() || !WriteFile(in, wav) ||
        QProcess::execute(lame, {QStringLiteral("--quiet"), QStringLiteral("-t"),
                                 QStringLiteral("--nores"), QStringLiteral("-b"),
                                 QString::number(kbps), in, out}) != 0)
        return {};
    QFile f(out);
    return f.open(QIODevice::ReadOnly) ? f.readAll().repeated(repeats) : QByteArray();
}

// The process's resident memory, in kilobytes (0 where unknown).
inline qint64 ResidentKb()
{
    QFile status(QStringLiteral("/proc/self/status"));
    if (!status.open(QIODevice::ReadOnly))
        return 0;
    for (const QByteArray& line : status.readAll().split('\n'))
        if (line.startsWith("VmRSS:"))
            return line.mid(6).trimmed().split(' ').value(0).toLongLong();
    return 0;
}

// Keeps the left channel of every buffer leaving the mixer, with the time
// each buffer left.
class TapRecorder final {
public:
    using Clock = std::chrono::steady_clock;

    explicit TapRecorder(MixerBackend& mixer) : m_mixer(mixer)
    {
        m_channels = std::max(1, mixer.OutputFormat().channels);
        mixer.SetPostMixTap([this](const qint16* s, int frames) { take(s, frames); });
    }
    ~TapRecorder() { m_mixer.SetPostMixTap({}); }
    TapRecorder(const TapRecorder&) = delete;
    TapRecorder& operator=(const TapRecorder&) = delete;

    size_t Frames() const
    {
        std::lock_guard lock(m_lock);
        return m_left.size();
    }
    std::vector<qint16> Since(size_t frame) const
    {
        std::lock_guard lock(m_lock);
        return {m_left.begin() + qsizetype(std::min(frame, m_left.size())), m_left.end()};
    }
    // The frame each buffer began at, one for each buffer that left the mixer.
    std::vector<size_t> BufferStarts() const
    {
        std::lock_guard lock(m_lock);
        return m_starts;
    }
    // When the first sample at least as loud as the armed level left the
    // mixer since arming, if one did.
    std::optional<Clock::time_point> FirstLoud() const
    {
        std::lock_guard lock(m_lock);
        return m_firstLoud;
    }
    void ArmFirstLoud(int level)
    {
        std::lock_guard lock(m_lock);
        m_firstLoud.reset();
        m_firstLoudLevel = level;
    }

private:
    void take(const qint16* s, int frames)
    {
        const Clock::time_point now = Clock::now();
        std::lock_guard lock(m_lock);
        m_starts.push_back(m_left.size());
        for (int i = 0; i < frames; ++i) {
            const qint16 v = s[i * m_channels];
            m_left.push_back(v);
            if (!m_firstLoud && m_firstLoudLevel > 0 && std::abs(int(v)) >= m_firstLoudLevel)
                m_firstLoud = now;
        }
    }

    MixerBackend& m_mixer;
    int m_channels = 2;
    mutable std::mutex m_lock;
    std::vector<qint16> m_left;
    std::vector<size_t> m_starts;
    std::optional<Clock::time_point> m_firstLoud;
    int m_firstLoudLevel = 0;
};

// Amplitude (of full scale) of one frequency in the samples, by Goertzel.
inline double ToneLevel(const std::vector<qint16>& s, double hz, int rate)
{
    if (s.empty() || rate <= 0)
        return 0;
    const double w = 2 * std::numbers::pi * hz / rate;
    const double c = 2 * std::cos(w);
    double s1 = 0, s2 = 0;
    for (qint16 v : s) {
        const double s0 = v / 32768.0 + c * s1 - s2;
        s2 = s1;
        s1 = s0;
    }
    const double power = s1 * s1 + s2 * s2 - c * s1 * s2;
    return 2 * std::sqrt(std::max(0.0, power)) / double(s.size());
}

// Samples louder than a whisper.
inline size_t LoudFrames(const std::vector<qint16>& s)
{
    return size_t(
        std::count_if(s.begin(), s.end(), [](qint16 v) { return std::abs(int(v)) > 300; }));
}

inline int Peak(const std::vector<qint16>& s)
{
    int p = 0;
    for (qint16 v : s)
        p = std::max(p, std::abs(int(v)));
    return p;
}

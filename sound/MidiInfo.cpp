// SPDX-License-Identifier: GPL-3.0-or-later
#include "sound/MidiInfo.h"

#include <algorithm>
#include <vector>

namespace {

struct TempoChange {
    quint64 tick = 0;
    quint32 tempo = 0; // microseconds a quarter note
};

bool ByTick(const TempoChange& a, const TempoChange& b)
{
    return a.tick < b.tick;
}

quint32 Be32(const uchar* p)
{
    return quint32(p[0]) << 24 | quint32(p[1]) << 16 | quint32(p[2]) << 8 | p[3];
}

quint32 Le32(const uchar* p)
{
    return quint32(p[3]) << 24 | quint32(p[2]) << 16 | quint32(p[1]) << 8 | p[0];
}

bool Is(const uchar* p, const char (&id)[5])
{
    return std::equal(p, p + 4, reinterpret_cast<const uchar*>(id));
}

// A variable-length quantity: at most four bytes, seven bits each.
MidiError ReadVarLen(const uchar* p, qsizetype end, qsizetype& pos, quint32& value)
{
    value = 0;
    for (int i = 0; i < 4; ++i) {
        if (pos >= end)
            return MidiError::Truncated;
        const uchar b = p[pos++];
        value = value << 7 | (b & 0x7F);
        if (!(b & 0x80))
            return MidiError::None;
    }
    return MidiError::BadEvent;
}

// One track chunk, p[begin, end): where it ends, and its tempo changes.
MidiError ReadTrack(const uchar* p, qsizetype begin, qsizetype end, quint64& endTick,
                    std::vector<TempoChange>& tempos)
{
    quint64 tick = 0;
    uchar running = 0;
    qsizetype pos = begin;
    while (pos < end) {
        quint32 delta = 0;
        if (const MidiError e = ReadVarLen(p, end, pos, delta); e != MidiError::None)
            return e;
        tick += delta;
        if (pos >= end)
            return MidiError::Truncated;
        uchar status = p[pos];
        if (status & 0x80) {
            ++pos;
        } else if (running) {
            status = running;
        } else {
            return MidiError::BadEvent;
        }

        if (status == 0xFF) {
            if (pos >= end)
                return MidiError::Truncated;
            const uchar type = p[pos++];
            quint32 length = 0;
            if (const MidiError e = ReadVarLen(p, end, pos, length); e != MidiError::None)
                return e;
            if (length > quint64(end - pos))
                return MidiError::Truncated;
            if (type == 0x2F) {
                endTick = tick;
                return MidiError::None;
            }
            if (type == 0x51 && length >= 3) {
                const quint32 tempo = quint32(p[pos]) << 16 | quint32(p[pos + 1]) << 8 | p[pos + 2];
                if (tempo > 0)
                    tempos.push_back({tick, tempo});
            }
            pos += qsizetype(length);
        } else if (status == 0xF0 || status == 0xF7) {
            quint32 length = 0;
            if (const MidiError e = ReadVarLen(p, end, pos, length); e != MidiError::None)
                return e;
            if (length > quint64(end - pos))
                return MidiError::Truncated;
            pos += qsizetype(length);
        } else if (status > 0xF0) {
            // System common and real-time messages have no place in a file.
            return MidiError::BadEvent;
        } else {
            const int kind = status & 0xF0;
            const qsizetype data = (kind == 0xC0 || kind == 0xD0) ? 1 : 2;
            if (end - pos < data)
                return MidiError::Truncated;
            pos += data;
            running = status;
        }
    }
    // No end-of-track event: the track ends with its chunk.
    endTick = tick;
    return MidiError::None;
}

// The standard MIDI file inside a RIFF RMID wrapper; empty when there is none.
QByteArrayView RmidData(QByteArrayView bytes, MidiError& error)
{
    const auto* p = reinterpret_cast<const uchar*>(bytes.data());
    qsizetype pos = 12;
    while (bytes.size() - pos >= 8) {
        const quint32 length = Le32(p + pos + 4);
        const qsizetype body = pos + 8;
        if (length > quint64(bytes.size() - body)) {
            error = MidiError::Truncated;
            return {};
        }
        if (Is(p + pos, "data"))
            return bytes.sliced(body, qsizetype(length));
        pos = body + qsizetype(length) + (length & 1);
    }
    error = MidiError::NotMidi;
    return {};
}

} // namespace

MidiInfo ReadMidiInfo(QByteArrayView bytes)
{
    MidiInfo info;
    const auto* raw = reinterpret_cast<const uchar*>(bytes.data());
    QByteArrayView smf = bytes;
    if (bytes.size() >= 12 && Is(raw, "RIFF") && Is(raw + 8, "RMID")) {
        smf = RmidData(bytes, info.error);
        if (!info.ok())
            return info;
    }
    const auto* p = reinterpret_cast<const uchar*>(smf.data());
    const qsizetype size = smf.size();
    if (size < 4 || !Is(p, "MThd")) {
        info.error = MidiError::NotMidi;
        return info;
    }
    if (size < 14) {
        info.error = MidiError::Truncated;
        return info;
    }
    const quint32 headerLength = Be32(p + 4);
    if (headerLength < 6) {
        info.error = MidiError::BadHeader;
        return info;
    }
    if (headerLength > quint64(size - 8)) {
        info.error = MidiError::Truncated;
        return info;
    }
    info.format = p[8] << 8 | p[9];
    const int trackCount = p[10] << 8 | p[11];
    const int division = p[12] << 8 | p[13];
    if (trackCount == 0 || division == 0) {
        info.error = MidiError::BadHeader;
        return info;
    }

    // Ticks as seconds: either so many to a quarter note at the tempo of the
    // moment, or SMPTE frames of so many ticks, whatever the tempo.
    double smpteTicksPerSecond = 0;
    if (division & 0x8000) {
        const int fps = -qint8(division >> 8);
        const int ticksPerFrame = division & 0xFF;
        if ((fps != 24 && fps != 25 && fps != 29 && fps != 30) || ticksPerFrame == 0) {
            info.error = MidiError::BadHeader;
            return info;
        }
        smpteTicksPerSecond = (fps == 29 ? 29.97 : fps) * ticksPerFrame;
    }

    std::vector<TempoChange> tempos;
    qsizetype pos = 8 + qsizetype(headerLength);
    while (info.tracks < trackCount && pos < size) {
        if (size - pos < 8) {
            info.error = MidiError::Truncated;
            return info;
        }
        const quint32 length = Be32(p + pos + 4);
        const qsizetype body = pos + 8;
        if (length > quint64(size - body)) {
            info.error = MidiError::Truncated;
            return info;
        }
        // Chunks of other kinds are skipped, as readers must.
        if (Is(p + pos, "MTrk")) {
            quint64 trackEnd = 0;
            info.error = ReadTrack(p, body, body + qsizetype(length), trackEnd, tempos);
            if (!info.ok())
                return info;
            info.endTick = std::max(info.endTick, trackEnd);
            ++info.tracks;
        }
        pos = body + qsizetype(length);
    }
    if (info.tracks < trackCount) {
        info.error = MidiError::MissingTrack;
        return info;
    }
    info.smf = smf;

    if (smpteTicksPerSecond > 0) {
        info.seconds = double(info.endTick) / smpteTicksPerSecond;
        return info;
    }
    // Tracks play together: one tempo map of every track's changes in time
    // order (a track's own changes stay in their order). Usually they are all
    // in one track, and in order already.
    if (!std::is_sorted(tempos.begin(), tempos.end(), ByTick))
        std::stable_sort(tempos.begin(), tempos.end(), ByTick);
    double microseconds = 0;
    quint64 at = 0;
    quint32 tempo = kMidiDefaultTempo;
    for (const TempoChange& change : tempos) {
        if (change.tick >= info.endTick)
            break;
        microseconds += double(change.tick - at) * tempo;
        at = change.tick;
        tempo = change.tempo;
    }
    microseconds += double(info.endTick - at) * tempo;
    info.seconds = microseconds / 1e6 / division;
    return info;
}

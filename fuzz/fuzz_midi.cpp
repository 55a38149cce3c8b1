// SPDX-License-Identifier: GPL-3.0-or-later
// Fuzz target for the MIDI length reader. Any bytes give a length or a
// reason; a length is finite and within what the end tick allows at the
// slowest and fastest tempo, the end tick within what the bytes can hold, and
// the standard MIDI file found lies within the bytes.

#include "fuzz/FuzzCheck.h"
#include "sound/MidiInfo.h"

#include <cmath>
#include <cstdint>

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    const QByteArrayView bytes(reinterpret_cast<const char*>(data), qsizetype(size));
    const MidiInfo info = ReadMidiInfo(bytes);
    if (!info.ok())
        return 0;
    Require(info.tracks >= 1);
    Require(info.smf.startsWith("MThd"));
    Require(info.smf.data() >= bytes.data() &&
            info.smf.data() + info.smf.size() <= bytes.data() + bytes.size());
    // An event of a 4-byte delta takes at least five bytes.
    Require(info.endTick <= quint64(size) << 26);
    // Ticks last from 1 µs / 32767 (the fastest tempo, the finest division)
    // to (2^24 - 1) µs (the slowest, one tick a quarter note); SMPTE ticks
    // from 1/7650 s to 1/24 s.
    Require(std::isfinite(info.seconds));
    const double ticks = double(info.endTick);
    Require(info.seconds >= ticks * 1e-6 / 32767 * 0.999 - 1e-12);
    Require(info.seconds <= ticks * 16.78 + 1e-9);
    return 0;
}

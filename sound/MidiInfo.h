// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

// The length of a standard MIDI file, from its tempo map: every track is read
// to its end (running status, meta and system-exclusive lengths included),
// the tempo changes of all tracks are merged, and the last track's end is
// turned into time. A RIFF-wrapped file (RMID) is read from its data chunk.
// Pure function over bytes: linear in their size, nothing allocated beyond
// one entry per tempo change the bytes hold.

#include <QByteArrayView>

enum class MidiError {
    None,
    NotMidi,      // neither "MThd" nor RIFF RMID
    BadHeader,    // header too short, no tracks, or a zero time division
    Truncated,    // a chunk or an event runs past the end of the file
    BadEvent,     // a data byte with no status to run on, or a length too long
    MissingTrack, // fewer track chunks than the header counts
};

struct MidiInfo {
    MidiError error = MidiError::None;
    int format = 0;
    int tracks = 0;      // track chunks read
    quint64 endTick = 0; // where the longest track ends
    double seconds = 0;  // endTick as time, through the tempo map
    QByteArrayView smf;  // the standard MIDI file itself (inside RMID's wrapper)

    bool ok() const { return error == MidiError::None; }
};

MidiInfo ReadMidiInfo(QByteArrayView bytes);

// The default tempo: 120 beats a minute.
inline constexpr quint32 kMidiDefaultTempo = 500000; // microseconds a quarter note

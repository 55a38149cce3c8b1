// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

// How long and how large a sound file may be. A sound beyond these is
// treated as any unplayable file: it does not open, and nothing is heard.

#include <QtGlobal>

// Thirty minutes covers any chime, jingle or recorded announcement with room
// to spare; beyond it a file is far more likely damaged or hostile than meant.
inline constexpr double kMaxSoundSeconds = 30 * 60;

// A standard MIDI file is read whole to measure it, on the caller's thread;
// 30 minutes of even a dense arrangement is a few hundred kilobytes, and
// reading and measuring a file of this cap takes at most a few milliseconds
// (4 ms for one made of nothing but tempo changes).
inline constexpr qint64 kMaxMidiFileBytes = 1024 * 1024;

// No one sound holds more decoded samples than this in memory at once.
inline constexpr qint64 kMaxDecodedBytes = 64 * 1024 * 1024;

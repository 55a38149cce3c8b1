// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

// The General MIDI soundfont that MIDI files are synthesised with: the first
// file of SDL_SOUNDFONTS that exists, else the first of Debian's fonts that
// is installed (the small TimGM6mb first).
//
// Each playing MIDI file has a synthesiser of its own, and a synthesiser owns
// the fonts it loads (fluidsynth hands a font's ownership to the synthesiser
// that takes it), so one loaded font cannot serve several. What is shared is
// the file: read through once in the background after the program's first
// paint, it stays in the system's file cache, and fluidsynth shares the
// sample data of one font file among the synthesisers that have it loaded at
// the same time. Measured with TimGM6mb: a synthesiser loads the font in
// 15-35 ms on its decoder thread; the first MIDI file playing costs about
// 17 MB (the synthesiser, its presets and the 6 MB of samples), each further
// one at the same time 10 MB. Keeping a font loaded while nothing plays would
// cost 15 MB for good, a quarter of what the whole program may take.

#include <QString>

#include <atomic>

class SoundFont final {
public:
    // The font's path, empty when there is none; a few file look-ups.
    static QString Path();
    // Reads the font through once on a thread of its own; returns at once.
    // Later calls do nothing.
    static void WarmUp();
    // For a decoder thread: waits for the warm-up (starting it if nobody
    // has), and answers the font's path; empty when there is none, or when
    // stop turned true first.
    static QString Wait(const std::atomic<bool>& stop);
};

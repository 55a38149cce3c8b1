// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

// A standard MIDI file synthesised by a fluidsynth synthesiser of its own,
// driven by fluidsynth's player in step with the samples rendered (no timer
// thread), so it plays exactly as fast as the stream takes it.

#include "sound/SoundDecoder.h"

#include <QByteArray>

#include <fluidsynth/types.h>

class MidiDecoder final : public SoundDecoder {
public:
    // smf: the file's bytes (a standard MIDI file); rate: the mixer's.
    MidiDecoder(QByteArray smf, int rate);
    ~MidiDecoder() override;

    bool Begin(const std::atomic<bool>& stop) override;
    int Rate() const override { return m_rate; }
    int Channels() const override { return 2; }
    int Read(qint16* out, int maxFrames) override;

private:
    QByteArray m_smf;
    int m_rate = 0;
    fluid_settings_t* m_settings = nullptr;
    fluid_synth_t* m_synth = nullptr;
    fluid_player_t* m_player = nullptr;
};

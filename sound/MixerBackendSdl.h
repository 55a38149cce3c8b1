// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

// SDL2_mixer on SDL's audio device. Short sounds are decoded whole into chunks
// and each voice gets a mixer channel of its own; a long file streams as the
// mixer's one music stream instead, so two long sounds cannot overlap (the
// later one ends the earlier). MIDI is synthesised with a General MIDI
// soundfont.
//
// SDL's mixer is one per process: while one of these is open, Open() refuses
// to make another.

#include "sound/MixerBackend.h"

#include <QByteArray>

#include <memory>
#include <mutex>
#include <vector>

struct Mix_Chunk;
typedef struct _Mix_Music Mix_Music;

class MixerBackendSdl final : public MixerBackend {
public:
    // Frames per mixer buffer: about 11 ms at 48 kHz, short enough for a
    // step sound to start with the click.
    static constexpr int kBufferFrames = 512;
    static constexpr int kRate = 48000;

    // The sound device, or SDL's dummy driver when none opens; nullptr when
    // SDL's mixer is already open in this process or does not work at all.
    static std::unique_ptr<MixerBackendSdl> Open();
    ~MixerBackendSdl() override;

    QString DriverName() const override { return m_driver; }
    Format OutputFormat() const override { return m_format; }
    Voice OpenFile(const QString& path) override;
    void Play(Voice voice) override;
    void Stop(Voice voice) override;
    bool IsPlaying(Voice voice) const override;
    void Close(Voice voice) override;
    void SetPostMixTap(PostMixTap tap) override;
    std::shared_ptr<PcmStream> OpenPcmStream() override;
    void ClosePcmStream(const std::shared_ptr<PcmStream>& stream) override;

    // Whether a file of this size and first bytes is streamed rather than
    // decoded whole: long files would take too long to decode at once and too
    // much memory to hold.
    static bool Streams(const QByteArray& head, qint64 size);

private:
    class SdlPcmStream;

    struct Slot {
        bool used = false;
        Mix_Chunk* chunk = nullptr;
        Mix_Music* music = nullptr;
        int channel = -1; // mixer channel of a chunk
        // A PCM stream: its chunk is silence on a loop, its samples come in
        // through a channel effect.
        std::shared_ptr<SdlPcmStream> stream;
    };

    MixerBackendSdl() = default;
    static void PostMix(void* self, unsigned char* stream, int len);
    Slot* slot(Voice voice);
    const Slot* slot(Voice voice) const;
    int freeChannel() const;
    Voice addSlot(Slot s);

    QString m_driver;
    Format m_format;
    std::vector<Slot> m_slots;
    Mix_Music* m_playingMusic = nullptr;
    PostMixTap m_tap;
};

// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

// SDL2_mixer on SDL's audio device. Every voice has a mixer channel of its
// own, so all of them play at once whatever their length or kind.
//
// Opening a file only probes it, on the caller's thread and bounded in time
// and memory: its kind by content, its length from its headers (the wave
// header, the MIDI tempo map, the MP3's Xing/Info/VBRI header or frame
// headers), and whether it decodes. A sound longer than kMaxSoundSeconds does
// not open. Playing it streams it: a decoder thread of its own (StreamVoice)
// decodes the file (libmpg123 for MP3, a fluidsynth synthesiser for MIDI,
// the samples themselves for WAV) into a buffer of a second that its channel
// plays from. A sound decoded from beginning to end that is short enough is
// kept (DecodedCache): its next plays start from memory at once.
//
// SDL's mixer is one per process: while one of these is open, Open() refuses
// to make another.

#include "sound/DecodedCache.h"
#include "sound/MixerBackend.h"

#include <atomic>
#include <memory>
#include <mutex>
#include <vector>

struct Mix_Chunk;
class SoundFile;
class StreamVoice;

class MixerBackendSdl final : public MixerBackend {
public:
    // Frames per mixer buffer: about 11 ms at 48 kHz, short enough for a
    // step sound to start with the click.
    static constexpr int kBufferFrames = 512;
    static constexpr int kRate = 48000;
    // Kept decoded sounds: 32 MB in all (three minutes of sound in the
    // mixer's format), none over 8 MB (43 seconds); longer sounds stream at
    // every play, which costs no more than a decoder thread.
    static constexpr qint64 kCacheBytes = 32 * 1024 * 1024;
    static constexpr qint64 kCacheEntryBytes = 8 * 1024 * 1024;
    // Room between a decoder thread and the mixer: one second of sound.
    static constexpr int kStreamBufferFrames = kRate;

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
    qint64 Underruns() const override { return m_underruns.load(std::memory_order_relaxed); }
    std::shared_ptr<PcmStream> OpenPcmStream() override;
    void ClosePcmStream(const std::shared_ptr<PcmStream>& stream) override;
    void WarmUp() override;

    // Decodes begun since the mixer opened; a kept sound's plays begin none.
    int DecodeCount() const { return m_decodes; }

private:
    class SdlPcmStream;
    struct Source;

    struct Slot {
        bool used = false;
        // A kept sound (over samples), or a PCM stream's silence.
        Mix_Chunk* chunk = nullptr;
        DecodedCache::Samples samples;
        int channel = -1;
        // A PCM stream: its chunk is silence on a loop, its samples come in
        // through a channel effect.
        std::shared_ptr<SdlPcmStream> stream;
        // A streamed file, and its decoding since the last Play.
        std::shared_ptr<const Source> source;
        std::unique_ptr<StreamVoice> decoding;
    };

    MixerBackendSdl();
    static void PostMix(void* self, unsigned char* stream, int len);
    Slot* slot(Voice voice);
    const Slot* slot(Voice voice) const;
    int freeChannel() const;
    int takeChannel() const;
    Voice addSlot(Slot s);
    std::shared_ptr<Source> probe(SoundFile& file, const QString& path) const;
    void playStream(Slot& s);
    void stopStream(Slot& s);
    // A decoding told to stop, kept until its thread has ended.
    void retire(std::unique_ptr<StreamVoice> decoding);
    void reap();

    QString m_driver;
    Format m_format;
    // Counted on the audio thread (and a PCM stream's producer): before the
    // voices, which count into it.
    std::atomic<qint64> m_underruns = 0;
    DecodedCache m_cache{kCacheBytes, kCacheEntryBytes};
    std::vector<Slot> m_slots;
    std::vector<std::unique_ptr<StreamVoice>> m_retired;
    // The looping silence that streamed voices play their samples over.
    std::vector<unsigned char> m_silenceBytes;
    Mix_Chunk* m_silence = nullptr;
    int m_decodes = 0;
    PostMixTap m_tap;
};

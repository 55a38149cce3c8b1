// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

// The audio mixer behind the command interpreter. A voice is one sound file
// on a mixer channel of its own, so voices play over each other whatever
// their length; playing a voice again starts it from the beginning. Nothing
// of it blocks the caller for long: opening reads a file's headers, playing
// starts its decoding elsewhere. Create() picks what works: SDL's
// mixer on the sound device, else on SDL's silent dummy driver, else the dummy
// back end that plays nothing.
//
// Speech plays through a PCM stream: a mixer channel of its own that plays
// samples as they are appended, so the first sentence is heard while the next
// is still being made, and a chime on another channel never cuts it off.

#include <QString>

#include <functional>
#include <future>
#include <memory>

class MixerBackend {
public:
    using Voice = int; // kNoVoice when there is none
    static constexpr Voice kNoVoice = -1;

    struct Format {
        int rate = 0;         // frames per second
        int channels = 0;     // interleaved
        int bufferFrames = 0; // frames per mixer buffer
    };

    // Sees every buffer as it leaves the mixer: interleaved signed 16-bit
    // samples, frames × channels of them. Runs on the audio thread, so it must
    // be quick and must not touch the user interface.
    using PostMixTap = std::function<void(const qint16* samples, int frames)>;

    // Blocks while the device opens (normally a few milliseconds, but sound
    // servers can be slow); CreateAsync does the same on a worker thread so
    // that start-up never waits for it.
    static std::unique_ptr<MixerBackend> Create();
    static std::future<std::unique_ptr<MixerBackend>> CreateAsync();

    virtual ~MixerBackend() = default;

    // The audio driver in use ("pulseaudio", "dummy", "disk"...), "none" for
    // the dummy back end.
    virtual QString DriverName() const = 0;
    virtual Format OutputFormat() const = 0;

    // A sound file as a new voice; kNoVoice when the file cannot be read, is
    // no sound this mixer can decode, or is too long to play.
    virtual Voice OpenFile(const QString& path) = 0;
    virtual void Play(Voice voice) = 0;
    virtual void Stop(Voice voice) = 0;
    // True from Play until the sound has ended or was stopped.
    virtual bool IsPlaying(Voice voice) const = 0;
    virtual void Close(Voice voice) = 0;

    // An empty function removes the tap.
    virtual void SetPostMixTap(PostMixTap tap) = 0;

    // Gaps heard since the mixer opened: mixes in which a streamed sound or
    // a PCM stream ran out of samples in the middle, its decoder or its
    // producer having fallen behind.
    virtual qint64 Underruns() const { return 0; }

    // Prepares, in the background, what the first sound of some kind needs
    // (the MIDI soundfont), so that it does not wait for it. For after the
    // program's first paint: returns at once, and later calls do nothing.
    virtual void WarmUp() {}

    // Samples that play in the order appended, as soon as they are. Every
    // function may be called from any thread.
    class PcmStream {
    public:
        virtual ~PcmStream() = default;
        // Interleaved signed 16-bit samples at any rate; converted to the
        // mixer's format here, on the caller's thread.
        virtual void Append(const qint16* samples, int frames, int rate, int channels) = 0;
        // Drops what has not played yet: silent from the next mixer buffer.
        virtual void Clear() = 0;
        // Frames appended that have not left the mixer yet.
        virtual qint64 QueuedFrames() const = 0;
    };
    // A stream on a channel of its own; null where nothing can play (the
    // default, for back ends that play files only).
    virtual std::shared_ptr<PcmStream> OpenPcmStream() { return nullptr; }
    // Frees the stream's channel; the object stays valid but plays nothing.
    virtual void ClosePcmStream(const std::shared_ptr<PcmStream>& stream) {}

protected:
    MixerBackend() = default;
    MixerBackend(const MixerBackend&) = delete;
    MixerBackend& operator=(const MixerBackend&) = delete;
};

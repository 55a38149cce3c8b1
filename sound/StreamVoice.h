// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

// A sound streamed into a mixer channel of its own, the way the speech stream
// plays: the channel loops a chunk of silence, and a channel effect (on the
// audio thread) puts the sound's samples in its place. A decoder thread of
// the voice's own fills a bounded buffer with them in the mixer's format, so
// any number of long sounds play at once, each from its own file, and nothing
// is decoded on the user interface thread. When the sound has ended and the
// mixer has taken its last samples, the thread halts the channel.

#include "sound/SoundDecoder.h"

#include <QtGlobal>

#include <atomic>
#include <condition_variable>
#include <functional>
#include <memory>
#include <mutex>
#include <thread>
#include <vector>

class StreamVoice final {
public:
    using MakeDecoder = std::function<std::unique_ptr<SoundDecoder>()>;
    // Receives the whole sound in the mixer's format, on the decoder thread,
    // when it was decoded from beginning to end within Options::keepSamples.
    using KeepWhole = std::function<void(std::vector<qint16>&& samples)>;

    struct Options {
        int rate = 0; // the mixer's format
        int channels = 0;
        int mixerChannel = -1;
        qint64 bufferFrames = 0; // room in the buffer between thread and mixer
        qint64 maxFrames = 0;    // the sound is cut off beyond this
        qint64 keepSamples = 0;  // 0: the whole is not kept
        // Counts each mix that found fewer samples than it asked for once the
        // sound had begun and before it was all decoded: the decoder fell
        // behind and a gap was heard. Null: not counted.
        std::atomic<qint64>* underruns = nullptr;
    };

    StreamVoice(MakeDecoder make, Options options, KeepWhole keep = {});
    // Stops the thread and waits for it.
    ~StreamVoice();
    StreamVoice(const StreamVoice&) = delete;
    StreamVoice& operator=(const StreamVoice&) = delete;

    // Starts decoding from the beginning (once).
    void Start();
    // Returns at once; the thread ends within a step of decoding, and never
    // touches the mixer channel again.
    void RequestStop();
    // The thread has ended: destroying the voice will not wait.
    bool Exited() const { return m_exited; }
    // All of the sound has been decoded and taken by the mixer.
    bool Finished() const;

    // The channel effect; self is the voice.
    static void Effect(int channel, void* stream, int len, void* self);

private:
    void run();
    void decodeAll(SoundDecoder& decoder);
    bool push(const qint16* samples, size_t count);
    void fill(qint16* out, size_t count);

    MakeDecoder m_make;
    Options m_options;
    KeepWhole m_keep;

    std::atomic<bool> m_stop = false;
    std::atomic<bool> m_exited = false;
    // Guards the buffer; held only for copies, also by the audio thread.
    mutable std::mutex m_lock;
    std::condition_variable m_changed;
    std::vector<qint16> m_ring;
    size_t m_head = 0;  // next sample the mixer takes
    size_t m_count = 0; // samples waiting
    bool m_decoded = false;
    bool m_begun = false; // the mixer has taken samples
    // Orders the thread's halting of the channel before a stop (never held by
    // the audio thread, so halting under it cannot deadlock with the mixer).
    std::mutex m_haltLock;
    std::thread m_thread;
};

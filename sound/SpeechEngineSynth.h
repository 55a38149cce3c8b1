// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

// What the real engines share: one worker thread takes a text, puts the
// readings in, splits it into sentences, synthesises them one by one and
// appends each to the engine's PCM stream as soon as it is made, so the first
// sentence plays while the rest is being made.
//
// Nothing the user-interface thread calls waits for synthesis: Speak and Stop
// only change what the worker is asked for (Stop drops the sentences not yet
// made, abandons the one in progress and clears the stream), and destruction
// abandons what is in progress. The worker holds the state lock only for
// bookkeeping; the stream is fed in short pieces, and never more than
// kQueuedSeconds ahead of what plays, so a text of any length takes bounded
// memory.
//
// Made sentences are kept in a cache (kCacheBytes). Prepare hands over the
// texts likely to come, soonest first; while nothing is to be spoken the
// worker makes them in that order, and makes them again for new voice
// settings. A Speak goes before all of that: the sentence made ahead is
// abandoned unless it is the very one the Speak needs first.
//
// Subclasses make the samples of one sentence (Synthesize) and must call
// StopWorker() in their destructor, before their own members go.

#include "sound/MixerBackend.h"
#include "sound/SpeechCache.h"
#include "sound/SpeechEngine.h"
#include "sound/SpeechText.h"

#include <QStringList>

#include <atomic>
#include <condition_variable>
#include <functional>
#include <memory>
#include <mutex>

class QThread;

class SpeechEngineSynth : public SpeechEngine {
public:
    // The mixer to play on; asked on the user-interface thread at the first
    // Speak or Prepare of texts, and may give null (then speech is made but
    // not heard).
    using MixerSource = std::function<MixerBackend*()>;
    // Whether the sentence in progress is no longer wanted.
    using Cancelled = std::function<bool()>;

    // 64 MB of made sentences: about eleven minutes of speech at 48 kHz, a
    // long route's whole tape several times over.
    static constexpr qint64 kCacheBytes = qint64(64) << 20;
    // Speech appended to the stream ahead of what is playing.
    static constexpr int kQueuedSeconds = 120;
    // Readings may lengthen a text; past this the spoken text is cut.
    static constexpr qsizetype kMaxSpokenChars = 4 * kMaxTextChars;

    ~SpeechEngineSynth() override;

    void SetVoiceSettings(const VoiceSettings& settings) override;
    void SetReadings(std::shared_ptr<const ReadingList> readings) override;
    void Speak(const QString& text) override;
    void Prepare(const QStringList& texts) override;
    void Stop() override;
    qint32 Status() const override;

    // Whether every sentence of the text, readings applied, is made and kept
    // for the current settings. For tests and measurements: the readings are
    // applied on the calling thread.
    bool Prepared(const QString& text) const;
    qint64 CachedBytes() const;

    // The whole text synthesised on the calling thread (for tests and
    // measurements), with the engine's voice settings and no readings.
    Pcm SynthesizeAll(const QString& text);

protected:
    explicit SpeechEngineSynth(MixerSource mixer);
    // One sentence; empty Pcm when it cannot be made or was cancelled. Runs
    // on the worker thread and should ask cancelled() every few milliseconds.
    virtual Pcm Synthesize(const QString& sentence, const VoiceSettings& settings,
                           const Cancelled& cancelled) = 0;
    void StopWorker();

private:
    using Lock = std::unique_lock<std::mutex>;
    // On the user-interface thread, like every other voice of the mixer.
    void openStream();
    // The worker's two kinds of work; both enter and leave with the lock held.
    void run();
    void speakJob(Lock& lock);
    void prepareNext(Lock& lock);
    SpeechCache::Sentence make(const QString& sentence, const VoiceSettings& settings,
                               const Cancelled& cancelled);
    // Appends the sentence piece by piece, waiting for room; false when the
    // job ended meanwhile.
    bool play(const Pcm& pcm, quint64 job, int volume);
    bool prepareCancelled(quint64 settingsGen, const QString& text, qsizetype sentence) const;

    MixerSource m_mixerSource;
    MixerBackend* m_mixer = nullptr; // user-interface thread only

    QThread* m_thread = nullptr;
    mutable std::mutex m_lock; // everything below
    // Orders the worker's appends against the job changes of Speak and Stop
    // with their clearing of the stream: nothing of an old job lands after
    // the clear, nothing of the new one before it. The worker holds it for
    // one short piece; taken before m_lock, never inside it.
    std::mutex m_appendLock;
    std::condition_variable m_wake;
    std::shared_ptr<MixerBackend::PcmStream> m_stream;
    int m_streamRate = 0; // the stream's frames per second

    // What to speak: raised by every Speak and Stop.
    quint64 m_job = 0;
    std::atomic<quint64> m_jobNow{0}; // the same, read without the lock
    bool m_speakWanted = false;
    QString m_speakText;
    bool m_speaking = false; // the worker is on a job
    bool m_failed = false;   // a sentence of this job could not be made

    // What to make ahead: the list, how far the worker is in it, and the
    // round, raised by every new list or voice.
    QStringList m_ahead;
    qsizetype m_aheadAt = 0;
    quint64 m_round = 1;
    std::atomic<quint64> m_settingsGen{0}; // raised when the sound of the voice changes

    VoiceSettings m_settings;
    std::shared_ptr<const ReadingList> m_readings;
    SpeechCache m_cache{kCacheBytes};
    bool m_quit = false;
    std::atomic<bool> m_quitting{false};
};

// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

// What the real engines share: a text is split into sentences, a worker
// thread synthesises them one by one and appends each to the engine's PCM
// stream as soon as it is made, so the first sentence plays while the rest is
// being synthesised. Stop drops the sentences not yet made, abandons the one
// in progress and clears the stream.
//
// Subclasses make the samples of one sentence (Synthesize) and must call
// StopWorker() in their destructor, before their own members go.
//
// Prepare makes the first sentence of a text while the engine is idle and
// keeps it, so the next Speak of that text starts without waiting for
// synthesis.

#include "sound/MixerBackend.h"
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
    // Speak, and may give null (then speech is made but not heard).
    using MixerSource = std::function<MixerBackend*()>;
    // Whether the sentence in progress is no longer wanted.
    using Cancelled = std::function<bool()>;

    ~SpeechEngineSynth() override;

    void SetVoiceSettings(const VoiceSettings& settings) override;
    void Speak(const QString& text) override;
    void Prepare(const QString& text) override;
    void Stop() override;
    qint32 Status() const override;

    // Whether the start of the text is made and kept.
    bool Prepared(const QString& text) const;

    // The whole text synthesised on the calling thread (for tests and
    // measurements), with the engine's voice settings.
    Pcm SynthesizeAll(const QString& text);

protected:
    explicit SpeechEngineSynth(MixerSource mixer);
    // One sentence; empty Pcm when it cannot be made or was cancelled.
    virtual Pcm Synthesize(const QString& sentence, const VoiceSettings& settings,
                           const Cancelled& cancelled) = 0;
    void StopWorker();

private:
    void run();
    // The made sentence for these settings, if kept; under the lock.
    const Pcm* kept(const QString& sentence, const VoiceSettings& settings) const;
    void keep(const QString& sentence, const VoiceSettings& settings, Pcm pcm);

    MixerSource m_mixerSource;
    MixerBackend* m_mixer = nullptr;
    std::shared_ptr<MixerBackend::PcmStream> m_stream;

    QThread* m_thread = nullptr;
    mutable std::mutex m_lock;
    std::condition_variable m_wake;
    QStringList m_pending;
    QStringList m_preparing;
    struct Kept {
        QString key;
        Pcm pcm; // before the volume is applied
    };
    QList<Kept> m_kept; // newest last
    std::atomic<bool> m_quitting{false};
    quint64 m_job = 0;                // raised by every Speak and Stop
    std::atomic<quint64> m_jobNow{0}; // the same, read without the lock
    bool m_busy = false;              // a sentence is being made
    bool m_failed = false;            // a sentence of this job could not be made
    bool m_quit = false;
    VoiceSettings m_settings;
};

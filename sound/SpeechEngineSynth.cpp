// SPDX-License-Identifier: GPL-3.0-or-later
#include "sound/SpeechEngineSynth.h"

#include <QThread>

SpeechEngineSynth::SpeechEngineSynth(MixerSource mixer) : m_mixerSource(std::move(mixer))
{
    // A QThread rather than a bare thread: the Open JTalk engine runs its
    // program with QProcess, which wants a Qt event dispatcher in its thread.
    m_thread = QThread::create([this] { run(); });
    m_thread->start();
}

SpeechEngineSynth::~SpeechEngineSynth()
{
    StopWorker();
}

void SpeechEngineSynth::StopWorker()
{
    if (!m_thread)
        return;
    {
        std::lock_guard lock(m_lock);
        m_quit = true;
        m_pending.clear();
        m_jobNow = ++m_job;
    }
    m_wake.notify_all();
    m_thread->wait();
    delete m_thread;
    m_thread = nullptr;
    if (m_stream) {
        m_stream->Clear();
        if (m_mixer)
            m_mixer->ClosePcmStream(m_stream);
        m_stream.reset();
    }
}

void SpeechEngineSynth::SetVoiceSettings(const VoiceSettings& settings)
{
    std::lock_guard lock(m_lock);
    m_settings = settings.Clamped();
}

void SpeechEngineSynth::Speak(const QString& text)
{
    // The stream is opened here, on the user-interface thread, like every
    // other voice of the mixer.
    std::shared_ptr<MixerBackend::PcmStream> opened;
    if (!m_mixer && m_mixerSource) {
        m_mixer = m_mixerSource();
        m_mixerSource = {};
        if (m_mixer)
            opened = m_mixer->OpenPcmStream();
    }
    {
        std::lock_guard lock(m_lock);
        if (opened)
            m_stream = std::move(opened);
        m_jobNow = ++m_job;
        m_pending = SplitSentences(text);
        m_failed = false;
        if (m_stream)
            m_stream->Clear();
    }
    m_wake.notify_all();
}

void SpeechEngineSynth::Stop()
{
    std::lock_guard lock(m_lock);
    m_jobNow = ++m_job;
    m_pending.clear();
    if (m_stream)
        m_stream->Clear();
}

qint32 SpeechEngineSynth::Status() const
{
    std::lock_guard lock(m_lock);
    if (!m_pending.isEmpty() || m_busy || (m_stream && m_stream->QueuedFrames() > 0))
        return kSpeaking;
    return m_failed ? kFailed : kIdle;
}

Pcm SpeechEngineSynth::SynthesizeAll(const QString& text)
{
    VoiceSettings settings;
    {
        std::lock_guard lock(m_lock);
        settings = m_settings;
    }
    Pcm all;
    for (const QString& sentence : SplitSentences(text)) {
        Pcm pcm = Synthesize(sentence, settings, [] { return false; });
        if (pcm.samples.empty() || (all.rate && (pcm.rate != all.rate || pcm.channels != all.channels)))
            return {};
        all.rate = pcm.rate;
        all.channels = pcm.channels;
        all.samples.insert(all.samples.end(), pcm.samples.begin(), pcm.samples.end());
    }
    ApplyGain(all.samples, settings.volume);
    return all;
}

void SpeechEngineSynth::run()
{
    std::unique_lock lock(m_lock);
    for (;;) {
        m_wake.wait(lock, [this] { return m_quit || !m_pending.isEmpty(); });
        if (m_quit)
            return;
        const QString sentence = m_pending.takeFirst();
        const quint64 job = m_job;
        const VoiceSettings settings = m_settings;
        m_busy = true;
        lock.unlock();
        Pcm pcm = Synthesize(sentence, settings, [this, job] { return m_jobNow != job; });
        ApplyGain(pcm.samples, settings.volume);
        lock.lock();
        m_busy = false;
        // Appended under the lock, so a Stop in between cannot be overtaken.
        if (job != m_job)
            continue;
        if (pcm.samples.empty() || pcm.channels <= 0) {
            m_failed = true;
            continue;
        }
        if (m_stream)
            m_stream->Append(pcm.samples.data(), int(pcm.samples.size()) / pcm.channels, pcm.rate,
                             pcm.channels);
    }
}

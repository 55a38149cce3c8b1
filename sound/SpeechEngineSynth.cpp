// SPDX-License-Identifier: GPL-3.0-or-later
#include "sound/SpeechEngineSynth.h"

#include <QThread>

namespace {

// Sentences kept ready: the next entry or two is all that is asked for.
constexpr qsizetype kKeptSentences = 4;

QString KeptKey(const QString& sentence, const VoiceSettings& v)
{
    // The volume is applied when a sentence plays, so it is not part of the key.
    return QStringLiteral("%1\x1f%2\x1f%3\x1f%4").arg(v.engine, v.voice).arg(v.rate).arg(v.pitch) +
           u'\x1f' + sentence;
}

} // namespace

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
    m_quitting = true;
    {
        std::lock_guard lock(m_lock);
        m_quit = true;
        m_pending.clear();
        m_preparing.clear();
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

void SpeechEngineSynth::Prepare(const QString& text)
{
    const QStringList sentences = SplitSentences(text);
    if (sentences.isEmpty())
        return;
    {
        std::lock_guard lock(m_lock);
        if (kept(sentences.first(), m_settings) || m_preparing.contains(sentences.first()))
            return;
        m_preparing << sentences.first();
        while (m_preparing.size() > kKeptSentences)
            m_preparing.removeFirst();
    }
    m_wake.notify_all();
}

bool SpeechEngineSynth::Prepared(const QString& text) const
{
    const QStringList sentences = SplitSentences(text);
    std::lock_guard lock(m_lock);
    return !sentences.isEmpty() && kept(sentences.first(), m_settings);
}

const Pcm* SpeechEngineSynth::kept(const QString& sentence, const VoiceSettings& settings) const
{
    const QString key = KeptKey(sentence, settings);
    for (const Kept& k : m_kept)
        if (k.key == key)
            return &k.pcm;
    return nullptr;
}

void SpeechEngineSynth::keep(const QString& sentence, const VoiceSettings& settings, Pcm pcm)
{
    if (pcm.samples.empty() || kept(sentence, settings))
        return;
    m_kept.push_back({KeptKey(sentence, settings), std::move(pcm)});
    while (m_kept.size() > kKeptSentences)
        m_kept.removeFirst();
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
        TrimSilence(pcm);
        if (pcm.samples.empty() ||
            (all.rate && (pcm.rate != all.rate || pcm.channels != all.channels)))
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
        m_wake.wait(lock,
                    [this] { return m_quit || !m_pending.isEmpty() || !m_preparing.isEmpty(); });
        if (m_quit)
            return;
        const VoiceSettings settings = m_settings;
        if (m_pending.isEmpty()) {
            // Idle: make a sentence ahead. Only quitting abandons it; a Speak
            // meanwhile waits for it, as it is likely the sentence wanted.
            const QString sentence = m_preparing.takeFirst();
            if (kept(sentence, settings))
                continue;
            m_busy = true;
            lock.unlock();
            Pcm pcm = Synthesize(sentence, settings, [this] { return bool(m_quitting); });
            TrimSilence(pcm);
            lock.lock();
            m_busy = false;
            keep(sentence, settings, std::move(pcm));
            continue;
        }
        const QString sentence = m_pending.takeFirst();
        const quint64 job = m_job;
        Pcm pcm;
        if (const Pcm* ready = kept(sentence, settings)) {
            pcm = *ready;
        } else {
            m_busy = true;
            lock.unlock();
            pcm = Synthesize(sentence, settings, [this, job] { return m_jobNow != job; });
            TrimSilence(pcm);
            lock.lock();
            m_busy = false;
        }
        // Appended under the lock, so a Stop in between cannot be overtaken.
        if (job != m_job)
            continue;
        if (pcm.samples.empty() || pcm.channels <= 0) {
            m_failed = true;
            continue;
        }
        ApplyGain(pcm.samples, settings.volume);
        if (m_stream)
            m_stream->Append(pcm.samples.data(), int(pcm.samples.size()) / pcm.channels, pcm.rate,
                             pcm.channels);
    }
}

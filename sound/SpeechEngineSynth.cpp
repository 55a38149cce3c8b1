// SPDX-License-Identifier: GPL-3.0-or-later
#include "sound/SpeechEngineSynth.h"

#include <QThread>

#include <algorithm>
#include <chrono>
#include <utility>
#include <vector>

namespace {

// The stream is fed this much at a time: its rate conversion is then a
// fraction of a millisecond, so Speak and Stop never wait long for an append.
constexpr int kPieceMs = 100;
// Silence kept before a sentence: below the trim threshold nothing is heard,
// so more would only put off the first word.
constexpr int kLeadMs = 5;
// How often a worker waiting for room in the stream looks again.
constexpr auto kRoomPoll = std::chrono::milliseconds(20);

// What changes the sound of a sentence; the volume is applied as it plays.
QString SettingsKey(const VoiceSettings& v)
{
    // Filled in one pass: a voice file named with "%3" stays as it is.
    return QStringLiteral("%1\x1f%2\x1f%3\x1f%4\x1f")
        .arg(v.engine, v.voice, QString::number(v.rate), QString::number(v.pitch));
}

QStringList SpokenSentences(const QString& text, const ReadingList* readings)
{
    const qsizetype limit = SpeechEngineSynth::kMaxSpokenChars;
    return SplitSentences(readings ? readings->Apply(text, limit) : text.left(limit));
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
    std::shared_ptr<MixerBackend::PcmStream> stream;
    {
        std::lock_guard lock(m_lock);
        m_quit = true;
        m_speakWanted = false;
        m_ahead.clear();
        m_jobNow = ++m_job;
        stream = std::move(m_stream);
    }
    m_wake.notify_all();
    // Whatever the worker is doing ends within a few milliseconds: waits wake
    // on m_wake, synthesis asks m_quitting.
    m_thread->wait();
    delete m_thread;
    m_thread = nullptr;
    if (stream) {
        stream->Clear();
        if (m_mixer)
            m_mixer->ClosePcmStream(stream);
    }
}

void SpeechEngineSynth::SetVoiceSettings(const VoiceSettings& settings)
{
    {
        std::lock_guard lock(m_lock);
        const VoiceSettings clamped = settings.Clamped();
        if (SettingsKey(clamped) != SettingsKey(m_settings)) {
            // Everything ahead is made again in the new voice.
            ++m_settingsGen;
            ++m_round;
            m_aheadAt = 0;
        }
        m_settings = clamped;
    }
    m_wake.notify_all();
}

void SpeechEngineSynth::SetReadings(std::shared_ptr<const ReadingList> readings)
{
    {
        std::lock_guard lock(m_lock);
        m_readings = std::move(readings);
        ++m_round;
        m_aheadAt = 0;
    }
    m_wake.notify_all();
}

void SpeechEngineSynth::openStream()
{
    if (m_mixer || !m_mixerSource)
        return;
    m_mixer = m_mixerSource();
    m_mixerSource = {};
    std::shared_ptr<MixerBackend::PcmStream> opened = m_mixer ? m_mixer->OpenPcmStream() : nullptr;
    if (!opened)
        return;
    std::lock_guard lock(m_lock);
    m_stream = std::move(opened);
    m_streamRate = m_mixer->OutputFormat().rate;
}

void SpeechEngineSynth::Speak(const QString& text)
{
    openStream();
    {
        // The old job's speech is cleared before the worker can append the
        // new one's: its appends wait for m_appendLock.
        std::lock_guard append(m_appendLock);
        std::shared_ptr<MixerBackend::PcmStream> stream;
        {
            std::lock_guard lock(m_lock);
            m_jobNow = ++m_job;
            m_speakText = text.left(kMaxTextChars);
            m_speakWanted = true;
            m_failed = false;
            stream = m_stream;
        }
        if (stream)
            stream->Clear();
    }
    m_wake.notify_all();
}

void SpeechEngineSynth::Prepare(const QStringList& texts)
{
    // A tape is loaded: its speech will be wanted, so the stream is opened
    // now rather than at the first 送り.
    if (!texts.isEmpty())
        openStream();
    {
        std::lock_guard lock(m_lock);
        m_ahead.clear();
        m_ahead.reserve(texts.size());
        for (const QString& t : texts)
            m_ahead << t.left(kMaxTextChars);
        m_aheadAt = 0;
        ++m_round;
    }
    m_wake.notify_all();
}

void SpeechEngineSynth::Stop()
{
    {
        std::lock_guard append(m_appendLock);
        std::shared_ptr<MixerBackend::PcmStream> stream;
        {
            std::lock_guard lock(m_lock);
            m_jobNow = ++m_job;
            m_speakWanted = false;
            m_speakText.clear();
            stream = m_stream;
        }
        if (stream)
            stream->Clear();
    }
    m_wake.notify_all();
}

qint32 SpeechEngineSynth::Status() const
{
    std::lock_guard lock(m_lock);
    if (m_speakWanted || m_speaking || (m_stream && m_stream->QueuedFrames() > 0))
        return kSpeaking;
    return m_failed ? kFailed : kIdle;
}

bool SpeechEngineSynth::Prepared(const QString& text) const
{
    std::shared_ptr<const ReadingList> readings;
    QString key;
    {
        std::lock_guard lock(m_lock);
        readings = m_readings;
        key = SettingsKey(m_settings);
    }
    const QStringList sentences = SpokenSentences(text.left(kMaxTextChars), readings.get());
    std::lock_guard lock(m_lock);
    return !sentences.isEmpty() &&
           std::all_of(sentences.begin(), sentences.end(),
                       [&](const QString& s) { return m_cache.Contains(key + s); });
}

qint64 SpeechEngineSynth::CachedBytes() const
{
    std::lock_guard lock(m_lock);
    return m_cache.Bytes();
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
        TrimSilence(pcm, kLeadMs);
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

SpeechCache::Sentence SpeechEngineSynth::make(const QString& sentence,
                                              const VoiceSettings& settings,
                                              const Cancelled& cancelled)
{
    // A sentence finished after all is kept even if no longer wanted now: it
    // is likely to be wanted again.
    Pcm pcm = Synthesize(sentence, settings, cancelled);
    TrimSilence(pcm, kLeadMs);
    if (pcm.samples.empty() || pcm.channels <= 0 || pcm.rate <= 0)
        return nullptr;
    return std::make_shared<const Pcm>(std::move(pcm));
}

void SpeechEngineSynth::run()
{
    Lock lock(m_lock);
    for (;;) {
        m_wake.wait(lock, [this] { return m_quit || m_speakWanted || m_aheadAt < m_ahead.size(); });
        if (m_quit)
            return;
        if (m_speakWanted)
            speakJob(lock);
        else
            prepareNext(lock);
    }
}

void SpeechEngineSynth::speakJob(Lock& lock)
{
    m_speakWanted = false;
    m_speaking = true;
    const QString text = std::exchange(m_speakText, QString());
    const quint64 job = m_job;
    const VoiceSettings settings = m_settings;
    const QString key = SettingsKey(settings);
    const std::shared_ptr<const ReadingList> readings = m_readings;
    lock.unlock();
    const QStringList sentences = SpokenSentences(text, readings.get());
    lock.lock();
    for (const QString& sentence : sentences) {
        if (job != m_job || m_quit)
            break;
        SpeechCache::Sentence pcm = m_cache.Find(key + sentence, m_round);
        if (!pcm) {
            lock.unlock();
            pcm = make(sentence, settings, [this, job] { return m_jobNow != job || m_quitting; });
            lock.lock();
            // Kept under the settings it was made with, whatever came since.
            if (pcm)
                m_cache.Insert(key + sentence, pcm, m_round, true);
        }
        if (job != m_job || m_quit)
            break;
        if (!pcm) {
            m_failed = true;
            continue;
        }
        lock.unlock();
        const bool played = play(*pcm, job, settings.volume);
        lock.lock();
        if (!played)
            break;
    }
    m_speaking = false;
}

bool SpeechEngineSynth::play(const Pcm& pcm, quint64 job, int volume)
{
    std::shared_ptr<MixerBackend::PcmStream> stream;
    qint64 rate = 0;
    {
        std::lock_guard lock(m_lock);
        stream = m_stream;
        rate = m_streamRate;
    }
    if (!stream || rate <= 0)
        return true; // made, but there is nothing to hear it on
    const qint64 room = rate * kQueuedSeconds;
    const size_t channels = size_t(pcm.channels);
    const size_t frames = pcm.samples.size() / channels;
    const size_t piece = std::max<size_t>(1, size_t(pcm.rate) * kPieceMs / 1000);
    std::vector<qint16> part;
    for (size_t from = 0; from < frames; from += piece) {
        const size_t n = std::min(piece, frames - from);
        // Frames of the stream's rate this piece will take there.
        const qint64 need = qint64(n) * rate / pcm.rate + 1;
        {
            Lock lock(m_lock);
            // The condition variable lets the lock go while waiting, so Speak,
            // Stop and Status go on meanwhile; either ends the wait.
            while (job == m_job && !m_quit && stream->QueuedFrames() + need > room)
                m_wake.wait_for(lock, kRoomPoll);
            if (job != m_job || m_quit)
                return false;
        }
        part.assign(pcm.samples.begin() + qsizetype(from * channels),
                    pcm.samples.begin() + qsizetype((from + n) * channels));
        ApplyGain(part, volume);
        std::lock_guard append(m_appendLock);
        if (m_jobNow != job)
            return false;
        stream->Append(part.data(), int(n), pcm.rate, pcm.channels);
    }
    return true;
}

bool SpeechEngineSynth::prepareCancelled(quint64 settingsGen, const QString& text,
                                         qsizetype sentence) const
{
    if (m_quitting || m_settingsGen != settingsGen)
        return true;
    // A Speak goes first, unless what is being made is the first sentence
    // of its very text: then carrying on is the quickest way to it.
    std::lock_guard lock(m_lock);
    return m_speakWanted && (sentence != 0 || m_speakText != text);
}

void SpeechEngineSynth::prepareNext(Lock& lock)
{
    const qsizetype at = m_aheadAt++;
    const QString text = m_ahead[at];
    const quint64 round = m_round;
    const quint64 settingsGen = m_settingsGen;
    const VoiceSettings settings = m_settings;
    const QString key = SettingsKey(settings);
    const std::shared_ptr<const ReadingList> readings = m_readings;
    lock.unlock();
    const QStringList sentences = SpokenSentences(text, readings.get());
    lock.lock();
    for (qsizetype i = 0; i < sentences.size(); ++i) {
        if (m_quit || round != m_round)
            return;
        if (m_speakWanted) {
            // Back to this text once the Speak is under way.
            m_aheadAt = std::min(m_aheadAt, at);
            return;
        }
        if (m_cache.Find(key + sentences[i], round))
            continue;
        lock.unlock();
        SpeechCache::Sentence pcm = make(sentences[i], settings, [this, settingsGen, &text, i] {
            return prepareCancelled(settingsGen, text, i);
        });
        lock.lock();
        if (pcm && settingsGen == m_settingsGen &&
            !m_cache.Insert(key + sentences[i], pcm, round, false)) {
            // Full of what this round wants sooner: the round ends here.
            if (round == m_round)
                m_aheadAt = m_ahead.size();
            return;
        }
        if (!pcm && m_speakWanted && round == m_round) {
            m_aheadAt = std::min(m_aheadAt, at);
            return;
        }
    }
}

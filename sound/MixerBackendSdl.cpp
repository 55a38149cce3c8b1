// SPDX-License-Identifier: GPL-3.0-or-later
#include "sound/MixerBackendSdl.h"

#include "sound/MidiDecoder.h"
#include "sound/MidiInfo.h"
#include "sound/Mp3Decoder.h"
#include "sound/SoundFile.h"
#include "sound/SoundFont.h"
#include "sound/SoundLimits.h"
#include "sound/StreamVoice.h"
#include "sound/WavDecoder.h"
#include "sound/WavInfo.h"

#include <QDateTime>
#include <QFileInfo>

#include <SDL.h>
#include <SDL_mixer.h>

#include <algorithm>
#include <utility>

namespace {

// SDL's audio and mixer state is process-wide: one back end at a time, and
// opening or closing it is never done by two threads at once.
std::mutex& ProcessLock()
{
    static std::mutex m;
    return m;
}
bool g_inUse = false;

bool OpenDevice()
{
    if (SDL_InitSubSystem(SDL_INIT_AUDIO) != 0)
        return false;
    // No format changes allowed: SDL converts, so the mix (and the tap) is
    // always 16-bit stereo at our rate.
    if (Mix_OpenAudioDevice(MixerBackendSdl::kRate, AUDIO_S16SYS, 2, MixerBackendSdl::kBufferFrames,
                            nullptr, 0) == 0)
        return true;
    SDL_QuitSubSystem(SDL_INIT_AUDIO);
    return false;
}

// Streamed sounds are cut off this long past their stated length (a MIDI
// file's last notes ring on; an MP3's length may be an estimate).
constexpr double kOverrunSeconds = 5;

} // namespace

// A stream cannot tell the end of what its producer had to say from the
// producer falling behind: both leave it dry. Clear marks the start of
// something new, so samples appended after running dry with no Clear between
// were late, and the gap before them is counted.
class MixerBackendSdl::SdlPcmStream final : public MixerBackend::PcmStream {
public:
    SdlPcmStream(int rate, int channels, std::atomic<qint64>& underruns)
        : m_rate(rate), m_channels(channels), m_underruns(underruns)
    {
        // A mixer buffer's worth of silence or more, so the loop costs little.
        m_silence.assign(size_t(kBufferFrames) * 4 * size_t(channels) * sizeof(qint16), 0);
    }

    void Append(const qint16* samples, int frames, int rate, int channels) override
    {
        if (!samples || frames <= 0 || rate <= 0 || channels <= 0)
            return;
        std::vector<qint16> out;
        if (rate == m_rate && channels == m_channels) {
            out.assign(samples, samples + size_t(frames) * size_t(channels));
        } else {
            SDL_AudioStream* conv = SDL_NewAudioStream(AUDIO_S16SYS, Uint8(channels), rate,
                                                       AUDIO_S16SYS, Uint8(m_channels), m_rate);
            if (!conv)
                return;
            if (SDL_AudioStreamPut(conv, samples, frames * channels * int(sizeof(qint16))) == 0 &&
                SDL_AudioStreamFlush(conv) == 0) {
                out.resize(size_t(SDL_AudioStreamAvailable(conv)) / sizeof(qint16));
                const int got = SDL_AudioStreamGet(conv, out.data(), int(out.size() * 2));
                out.resize(size_t(std::max(got, 0)) / sizeof(qint16));
            }
            SDL_FreeAudioStream(conv);
        }
        std::lock_guard lock(m_lock);
        if (!m_open)
            return;
        if (std::exchange(m_dry, false))
            m_underruns.fetch_add(1, std::memory_order_relaxed);
        m_queue.insert(m_queue.end(), out.begin(), out.end());
    }

    void Clear() override
    {
        std::lock_guard lock(m_lock);
        m_queue.clear();
        m_read = 0;
        m_begun = false;
        m_dry = false;
    }

    qint64 QueuedFrames() const override
    {
        std::lock_guard lock(m_lock);
        return qint64(m_queue.size() - m_read) / m_channels;
    }

    // On the audio thread: the channel's silence replaced by queued samples.
    void Fill(void* stream, int len)
    {
        auto* out = static_cast<qint16*>(stream);
        const size_t want = size_t(len) / sizeof(qint16);
        std::lock_guard lock(m_lock);
        const size_t have = std::min(want, m_queue.size() - m_read);
        std::copy_n(m_queue.begin() + qsizetype(m_read), have, out);
        std::fill(out + have, out + want, qint16(0));
        m_begun = m_begun || have > 0;
        m_dry = m_begun && have < want;
        m_read += have;
        // Drop what has played once it is a good part of the queue.
        if (m_read == m_queue.size()) {
            m_queue.clear();
            m_read = 0;
        } else if (m_read > (1u << 16) && m_read > m_queue.size() / 2) {
            m_queue.erase(m_queue.begin(), m_queue.begin() + qsizetype(m_read));
            m_read = 0;
        }
    }

    void Shut()
    {
        std::lock_guard lock(m_lock);
        m_open = false;
        m_queue.clear();
        m_read = 0;
    }

    static void Effect(int, void* stream, int len, void* self)
    {
        static_cast<SdlPcmStream*>(self)->Fill(stream, len);
    }

    std::vector<unsigned char>& Silence() { return m_silence; }

private:
    const int m_rate;
    const int m_channels;
    mutable std::mutex m_lock;
    std::vector<qint16> m_queue;
    size_t m_read = 0;
    bool m_open = true;
    bool m_begun = false; // samples played since the last Clear
    bool m_dry = false;   // and then a mix found fewer than it asked for
    std::atomic<qint64>& m_underruns;
    std::vector<unsigned char> m_silence;
};

std::unique_ptr<MixerBackendSdl> MixerBackendSdl::Open()
{
    std::lock_guard lock(ProcessLock());
    if (g_inUse)
        return nullptr;
    SDL_SetHint(SDL_HINT_NO_SIGNAL_HANDLERS, "1");
    SDL_SetHint(SDL_HINT_AUDIO_DEVICE_APP_NAME, "ルトミア");
    if (!OpenDevice()) {
        // No sound card, or audio is blocked: carry on silently.
        SDL_SetHintWithPriority(SDL_HINT_AUDIODRIVER, "dummy", SDL_HINT_OVERRIDE);
        const bool opened = OpenDevice();
        SDL_ResetHint(SDL_HINT_AUDIODRIVER);
        if (!opened) {
            SDL_Quit();
            return nullptr;
        }
    }
    std::unique_ptr<MixerBackendSdl> b(new MixerBackendSdl);
    b->m_driver = QString::fromUtf8(SDL_GetCurrentAudioDriver());
    int rate = 0;
    Uint16 format = 0;
    int channels = 0;
    Mix_QuerySpec(&rate, &format, &channels);
    b->m_format = {rate, channels, kBufferFrames};
    // A few mixer buffers of silence, so the loop costs little.
    b->m_silenceBytes.assign(size_t(kBufferFrames) * 4 * size_t(channels) * sizeof(qint16), 0);
    b->m_silence = Mix_QuickLoad_RAW(b->m_silenceBytes.data(), Uint32(b->m_silenceBytes.size()));
    if (!b->m_silence) {
        Mix_CloseAudio();
        SDL_QuitSubSystem(SDL_INIT_AUDIO);
        return nullptr;
    }
    g_inUse = true;
    return b;
}

MixerBackendSdl::MixerBackendSdl() = default;

MixerBackendSdl::~MixerBackendSdl()
{
    std::lock_guard lock(ProcessLock());
    Mix_SetPostMix(nullptr, nullptr);
    for (Voice v = 0; v < Voice(m_slots.size()); ++v)
        Close(v);
    // Every decoder thread was told to stop; each ends within a step.
    m_retired.clear();
    Mix_FreeChunk(m_silence);
    Mix_CloseAudio();
    Mix_Quit();
    SDL_QuitSubSystem(SDL_INIT_AUDIO);
    // Nothing else of SDL is in use: let it free its global state (hints) too.
    if (SDL_WasInit(0) == 0)
        SDL_Quit();
    g_inUse = false;
}

MixerBackendSdl::Slot* MixerBackendSdl::slot(Voice voice)
{
    if (voice < 0 || voice >= Voice(m_slots.size()) || !m_slots[size_t(voice)].used)
        return nullptr;
    return &m_slots[size_t(voice)];
}

const MixerBackendSdl::Slot* MixerBackendSdl::slot(Voice voice) const
{
    return const_cast<MixerBackendSdl*>(this)->slot(voice);
}

int MixerBackendSdl::freeChannel() const
{
    for (int ch = 0;; ++ch) {
        bool taken = false;
        for (const Slot& s : m_slots)
            taken = taken || (s.used && s.channel == ch);
        if (!taken)
            return ch;
    }
}

int MixerBackendSdl::takeChannel() const
{
    const int channel = freeChannel();
    if (Mix_AllocateChannels(-1) <= channel)
        Mix_AllocateChannels(channel + 1);
    return channel;
}

struct MixerBackendSdl::Source {
    StreamVoice::MakeDecoder make;
    DecodedCache::Key key;
    qint64 keepSamples = 0; // 0 when the sound is too long to keep
    double seconds = 0;
};

std::shared_ptr<MixerBackendSdl::Source> MixerBackendSdl::probe(SoundFile& file,
                                                                const QString& path) const
{
    // The decoders look at the content, not the name, so a file that is not
    // what its name says fails here rather than playing noise.
    const QByteArray head = file.read(0, 16);
    const bool riff = head.size() >= 12 && head.startsWith("RIFF");
    auto source = std::make_shared<Source>();
    double seconds = -1;
    if (riff && head.sliced(8, 4) == "WAVE") {
        const WavInfo wav = ReadWavInfo(file.read(0, kWavHeadBytes), file.size());
        if (!WavDecoder::CanPlay(wav, file.size()))
            return nullptr;
        seconds = wav.seconds;
        source->make = [path, wav] { return std::make_unique<WavDecoder>(path, wav); };
    } else if (head.startsWith("MThd") || (riff && head.sliced(8, 4) == "RMID")) {
        if (file.size() > kMaxMidiFileBytes || SoundFont::Path().isEmpty())
            return nullptr;
        const QByteArray bytes = file.read(0, kMaxMidiFileBytes);
        const MidiInfo midi = ReadMidiInfo(bytes);
        if (!midi.ok())
            return nullptr;
        seconds = midi.seconds;
        const QByteArray smf = midi.smf.size() == bytes.size() ? bytes : midi.smf.toByteArray();
        const int rate = m_format.rate;
        source->make = [smf, rate] { return std::make_unique<MidiDecoder>(smf, rate); };
    } else if (Mp3Decoder::LooksLikeMpeg(head)) {
        seconds = Mp3Decoder::Probe(path);
        source->make = [path] { return std::make_unique<Mp3Decoder>(path); };
    }
    if (!(seconds >= 0 && seconds <= kMaxSoundSeconds))
        return nullptr;
    source->seconds = seconds;
    const double bytesPerSecond = double(m_format.rate) * m_format.channels * sizeof(qint16);
    if ((seconds + kOverrunSeconds) * bytesPerSecond <= double(m_cache.MaxEntryBytes()))
        source->keepSamples = m_cache.MaxEntryBytes() / qint64(sizeof(qint16));
    return source;
}

MixerBackend::Voice MixerBackendSdl::OpenFile(const QString& path)
{
    reap();
    SoundFile file(path);
    if (!file.isOpen() || m_format.rate <= 0)
        return kNoVoice;
    const QFileInfo info(path);
    const DecodedCache::Key key{info.canonicalFilePath(), file.size(),
                                info.lastModified().toMSecsSinceEpoch()};
    Slot s;
    s.used = true;
    if (DecodedCache::Samples kept = m_cache.Find(key)) {
        s.chunk = Mix_QuickLoad_RAW(reinterpret_cast<Uint8*>(const_cast<qint16*>(kept->data())),
                                    Uint32(kept->size() * sizeof(qint16)));
        if (!s.chunk)
            return kNoVoice;
        s.samples = std::move(kept);
    } else {
        std::shared_ptr<Source> source = probe(file, path);
        if (!source)
            return kNoVoice;
        source->key = key;
        s.source = std::move(source);
    }
    s.channel = takeChannel();
    return addSlot(std::move(s));
}

MixerBackend::Voice MixerBackendSdl::addSlot(Slot s)
{
    for (Voice v = 0; v < Voice(m_slots.size()); ++v) {
        if (!m_slots[size_t(v)].used) {
            m_slots[size_t(v)] = std::move(s);
            return v;
        }
    }
    m_slots.push_back(std::move(s));
    return Voice(m_slots.size() - 1);
}

std::shared_ptr<MixerBackend::PcmStream> MixerBackendSdl::OpenPcmStream()
{
    if (m_format.rate <= 0 || m_format.channels <= 0)
        return nullptr;
    Slot s;
    s.used = true;
    s.stream = std::make_shared<SdlPcmStream>(m_format.rate, m_format.channels, m_underruns);
    std::vector<unsigned char>& silence = s.stream->Silence();
    s.chunk = Mix_QuickLoad_RAW(silence.data(), Uint32(silence.size()));
    if (!s.chunk)
        return nullptr;
    s.channel = takeChannel();
    if (Mix_RegisterEffect(s.channel, &SdlPcmStream::Effect, nullptr, s.stream.get()) == 0 ||
        Mix_PlayChannel(s.channel, s.chunk, -1) < 0) {
        Mix_UnregisterEffect(s.channel, &SdlPcmStream::Effect);
        Mix_FreeChunk(s.chunk);
        return nullptr;
    }
    std::shared_ptr<SdlPcmStream> stream = s.stream;
    addSlot(std::move(s));
    return stream;
}

void MixerBackendSdl::ClosePcmStream(const std::shared_ptr<PcmStream>& stream)
{
    for (Voice v = 0; v < Voice(m_slots.size()); ++v) {
        if (m_slots[size_t(v)].used && m_slots[size_t(v)].stream == stream) {
            Close(v);
            return;
        }
    }
}

void MixerBackendSdl::playStream(Slot& s)
{
    stopStream(s);
    StreamVoice::Options o;
    o.rate = m_format.rate;
    o.channels = m_format.channels;
    o.mixerChannel = s.channel;
    o.bufferFrames = kStreamBufferFrames;
    o.maxFrames = qint64((s.source->seconds + kOverrunSeconds) * m_format.rate);
    o.keepSamples = s.source->keepSamples;
    o.underruns = &m_underruns;
    DecodedCache* cache = &m_cache;
    auto decoding = std::make_unique<StreamVoice>(
        s.source->make, o, [cache, key = s.source->key](std::vector<qint16>&& whole) {
            cache->Insert(key, std::move(whole));
        });
    // The channel first, then the thread: the thread halts the channel when
    // the sound has ended, which must never come before it started.
    if (Mix_PlayChannel(s.channel, m_silence, -1) < 0)
        return;
    if (Mix_RegisterEffect(s.channel, &StreamVoice::Effect, nullptr, decoding.get()) == 0) {
        Mix_HaltChannel(s.channel);
        return;
    }
    decoding->Start();
    ++m_decodes;
    s.decoding = std::move(decoding);
}

void MixerBackendSdl::stopStream(Slot& s)
{
    if (s.decoding) {
        s.decoding->RequestStop();
        retire(std::move(s.decoding));
    }
    // Halting a playing channel takes its effects away under the audio lock;
    // a channel the thread already halted has none left but is cleared too.
    Mix_HaltChannel(s.channel);
    Mix_UnregisterAllEffects(s.channel);
}

void MixerBackendSdl::retire(std::unique_ptr<StreamVoice> decoding)
{
    if (decoding)
        m_retired.push_back(std::move(decoding));
}

void MixerBackendSdl::reap()
{
    std::erase_if(m_retired, [](const std::unique_ptr<StreamVoice>& d) { return d->Exited(); });
}

void MixerBackendSdl::Play(Voice voice)
{
    Slot* s = slot(voice);
    if (!s)
        return;
    reap();
    if (s->source)
        playStream(*s);
    else if (s->chunk)
        Mix_PlayChannel(s->channel, s->chunk, 0);
}

void MixerBackendSdl::Stop(Voice voice)
{
    Slot* s = slot(voice);
    if (!s)
        return;
    if (s->source)
        stopStream(*s);
    else if (s->chunk)
        Mix_HaltChannel(s->channel);
}

bool MixerBackendSdl::IsPlaying(Voice voice) const
{
    const Slot* s = slot(voice);
    if (!s)
        return false;
    if (s->source)
        return s->decoding && !s->decoding->Finished();
    if (s->chunk)
        return Mix_Playing(s->channel) != 0 && Mix_GetChunk(s->channel) == s->chunk;
    return false;
}

void MixerBackendSdl::Close(Voice voice)
{
    Slot* s = slot(voice);
    if (!s)
        return;
    if (s->stream) {
        // Halting the channel also takes its effect away, under the audio
        // lock, so the stream is never filled after this.
        Mix_HaltChannel(s->channel);
        Mix_UnregisterAllEffects(s->channel);
        s->stream->Shut();
    }
    Stop(voice);
    // Freeing a chunk halts any channel still playing it.
    if (s->chunk)
        Mix_FreeChunk(s->chunk);
    *s = Slot{};
    reap();
}

void MixerBackendSdl::WarmUp()
{
    SoundFont::WarmUp();
}

void MixerBackendSdl::PostMix(void* self, unsigned char* stream, int len)
{
    const auto* b = static_cast<const MixerBackendSdl*>(self);
    if (b->m_tap && b->m_format.channels > 0)
        b->m_tap(reinterpret_cast<const qint16*>(stream),
                 len / int(sizeof(qint16)) / b->m_format.channels);
}

void MixerBackendSdl::SetPostMixTap(PostMixTap tap)
{
    // Taking the tap away first waits for a mix in progress, so the audio
    // thread never sees the function half replaced.
    Mix_SetPostMix(nullptr, nullptr);
    m_tap = std::move(tap);
    if (m_tap)
        Mix_SetPostMix(&MixerBackendSdl::PostMix, this);
}

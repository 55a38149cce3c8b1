// SPDX-License-Identifier: GPL-3.0-or-later
#include "sound/MixerBackendSdl.h"

#include <QFile>
#include <QFileInfo>

#include <SDL.h>
#include <SDL_mixer.h>

namespace {

// SDL's audio and mixer state is process-wide: one back end at a time, and
// opening or closing it is never done by two threads at once.
std::mutex& ProcessLock()
{
    static std::mutex m;
    return m;
}
bool g_inUse = false;

// Debian's General MIDI soundfonts, smallest first; used when SDL's own choice
// (SDL_SOUNDFONTS, else its built-in default) names no file.
constexpr const char* kSoundFonts[] = {
    "/usr/share/sounds/sf2/TimGM6mb.sf2",
    "/usr/share/sounds/sf2/default-GM.sf2",
    "/usr/share/sounds/sf3/default-GM.sf3",
    "/usr/share/sounds/sf2/FluidR3_GM.sf2",
};

void ChooseSoundFont()
{
    const char* current = Mix_GetSoundFonts();
    if (current && QFileInfo::exists(QFile::decodeName(current).section(u';', 0, 0)))
        return;
    for (const char* font : kSoundFonts) {
        if (QFileInfo::exists(QFile::decodeName(font))) {
            Mix_SetSoundFonts(font);
            return;
        }
    }
}

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

// Compressed sounds above this size stream; about a minute of MP3.
constexpr qint64 kCompressedWholeBytes = 2 * 1024 * 1024;
// A wave file is already samples: decoding it whole costs only its own size.
constexpr qint64 kWaveWholeBytes = 32 * 1024 * 1024;
// MIDI is tiny for its length and slow to synthesise; a chime fits easily.
constexpr qint64 kMidiWholeBytes = 32 * 1024;

} // namespace

class MixerBackendSdl::SdlPcmStream final : public MixerBackend::PcmStream {
public:
    SdlPcmStream(int rate, int channels) : m_rate(rate), m_channels(channels)
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
        m_queue.insert(m_queue.end(), out.begin(), out.end());
    }

    void Clear() override
    {
        std::lock_guard lock(m_lock);
        m_queue.clear();
        m_read = 0;
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
    Mix_Init(MIX_INIT_MP3 | MIX_INIT_MID);
    ChooseSoundFont();

    std::unique_ptr<MixerBackendSdl> b(new MixerBackendSdl);
    b->m_driver = QString::fromUtf8(SDL_GetCurrentAudioDriver());
    int rate = 0;
    Uint16 format = 0;
    int channels = 0;
    Mix_QuerySpec(&rate, &format, &channels);
    b->m_format = {rate, channels, kBufferFrames};
    g_inUse = true;
    return b;
}

MixerBackendSdl::~MixerBackendSdl()
{
    std::lock_guard lock(ProcessLock());
    Mix_SetPostMix(nullptr, nullptr);
    for (Voice v = 0; v < Voice(m_slots.size()); ++v)
        Close(v);
    Mix_CloseAudio();
    Mix_Quit();
    SDL_QuitSubSystem(SDL_INIT_AUDIO);
    // Nothing else of SDL is in use: let it free its global state (hints) too.
    if (SDL_WasInit(0) == 0)
        SDL_Quit();
    g_inUse = false;
}

bool MixerBackendSdl::Streams(const QByteArray& head, qint64 size)
{
    if (head.startsWith("RIFF"))
        return size > kWaveWholeBytes;
    if (head.startsWith("MThd"))
        return size > kMidiWholeBytes;
    return size > kCompressedWholeBytes;
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

MixerBackend::Voice MixerBackendSdl::OpenFile(const QString& path)
{
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly))
        return kNoVoice;
    const QByteArray head = file.peek(4);
    const qint64 size = file.size();
    file.close();

    Slot s;
    s.used = true;
    SDL_RWops* rw = SDL_RWFromFile(QFile::encodeName(path).constData(), "rb");
    if (!rw)
        return kNoVoice;
    // The music decoders look at the content, not the name, so a file that is
    // not what its name says fails here rather than playing noise.
    if (Streams(head, size))
        s.music = Mix_LoadMUS_RW(rw, 1);
    else
        s.chunk = Mix_LoadWAV_RW(rw, 1);
    if (!s.music && !s.chunk)
        return kNoVoice;
    if (s.chunk) {
        s.channel = freeChannel();
        if (Mix_AllocateChannels(-1) <= s.channel)
            Mix_AllocateChannels(s.channel + 1);
    }

    return addSlot(s);
}

MixerBackend::Voice MixerBackendSdl::addSlot(Slot s)
{
    for (Voice v = 0; v < Voice(m_slots.size()); ++v) {
        if (!m_slots[size_t(v)].used) {
            m_slots[size_t(v)] = s;
            return v;
        }
    }
    m_slots.push_back(s);
    return Voice(m_slots.size() - 1);
}

std::shared_ptr<MixerBackend::PcmStream> MixerBackendSdl::OpenPcmStream()
{
    if (m_format.rate <= 0 || m_format.channels <= 0)
        return nullptr;
    Slot s;
    s.used = true;
    s.stream = std::make_shared<SdlPcmStream>(m_format.rate, m_format.channels);
    std::vector<unsigned char>& silence = s.stream->Silence();
    s.chunk = Mix_QuickLoad_RAW(silence.data(), Uint32(silence.size()));
    if (!s.chunk)
        return nullptr;
    s.channel = freeChannel();
    if (Mix_AllocateChannels(-1) <= s.channel)
        Mix_AllocateChannels(s.channel + 1);
    if (Mix_RegisterEffect(s.channel, &SdlPcmStream::Effect, nullptr, s.stream.get()) == 0 ||
        Mix_PlayChannel(s.channel, s.chunk, -1) < 0) {
        Mix_UnregisterEffect(s.channel, &SdlPcmStream::Effect);
        Mix_FreeChunk(s.chunk);
        return nullptr;
    }
    addSlot(s);
    return s.stream;
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

void MixerBackendSdl::Play(Voice voice)
{
    Slot* s = slot(voice);
    if (!s)
        return;
    if (s->chunk) {
        Mix_PlayChannel(s->channel, s->chunk, 0);
    } else if (Mix_PlayMusic(s->music, 1) == 0) {
        m_playingMusic = s->music;
    }
}

void MixerBackendSdl::Stop(Voice voice)
{
    Slot* s = slot(voice);
    if (!s)
        return;
    if (s->chunk) {
        Mix_HaltChannel(s->channel);
    } else if (m_playingMusic == s->music) {
        Mix_HaltMusic();
        m_playingMusic = nullptr;
    }
}

bool MixerBackendSdl::IsPlaying(Voice voice) const
{
    const Slot* s = slot(voice);
    if (!s)
        return false;
    if (s->chunk)
        return Mix_Playing(s->channel) != 0 && Mix_GetChunk(s->channel) == s->chunk;
    return m_playingMusic == s->music && Mix_PlayingMusic() != 0;
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
    if (s->chunk)
        Mix_FreeChunk(s->chunk);
    if (s->music)
        Mix_FreeMusic(s->music);
    *s = Slot{};
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

// SPDX-License-Identifier: GPL-3.0-or-later
#include "sound/StreamVoice.h"

#include <SDL.h>
#include <SDL_mixer.h>

#include <algorithm>
#include <cstring>
#include <utility>

namespace {

// Frames decoded a step: small enough that a stop is noticed within a
// millisecond or two, large enough to cost little.
constexpr int kStepFrames = 2048;

} // namespace

StreamVoice::StreamVoice(MakeDecoder make, Options options, KeepWhole keep)
    : m_make(std::move(make)), m_options(options), m_keep(std::move(keep))
{
    m_ring.resize(size_t(std::max<qint64>(1, m_options.bufferFrames)) *
                  size_t(std::max(1, m_options.channels)));
}

StreamVoice::~StreamVoice()
{
    RequestStop();
    if (m_thread.joinable())
        m_thread.join();
}

void StreamVoice::Start()
{
    if (!m_thread.joinable() && !m_exited)
        m_thread = std::thread(&StreamVoice::run, this);
}

void StreamVoice::RequestStop()
{
    {
        std::lock_guard halt(m_haltLock);
        m_stop = true;
    }
    // Taken once so that a thread about to wait sees the stop.
    {
        std::lock_guard lock(m_lock);
    }
    m_changed.notify_all();
}

bool StreamVoice::Finished() const
{
    std::lock_guard lock(m_lock);
    return m_decoded && m_count == 0;
}

void StreamVoice::run()
{
    std::unique_ptr<SoundDecoder> decoder = m_make ? m_make() : nullptr;
    if (decoder && decoder->Begin(m_stop))
        decodeAll(*decoder);
    decoder.reset();
    {
        std::unique_lock lock(m_lock);
        m_decoded = true;
        m_changed.wait(lock, [this] { return m_stop || m_count == 0; });
    }
    {
        std::lock_guard halt(m_haltLock);
        if (!m_stop && m_options.mixerChannel >= 0)
            Mix_HaltChannel(m_options.mixerChannel);
    }
    m_exited = true;
}

void StreamVoice::decodeAll(SoundDecoder& decoder)
{
    const int channels = m_options.channels;
    const size_t maxSamples = size_t(std::max<qint64>(0, m_options.maxFrames)) * size_t(channels);
    size_t produced = 0;
    bool keeping = m_options.keepSamples > 0;
    std::vector<qint16> whole;

    // Hands samples on (and keeps them when asked); false once stopped or cut off.
    const auto emit = [&](const qint16* s, size_t n) {
        n = std::min(n, maxSamples - produced);
        n -= n % size_t(channels);
        if (keeping && whole.size() + n > size_t(m_options.keepSamples)) {
            keeping = false;
            std::vector<qint16>().swap(whole);
        }
        if (keeping)
            whole.insert(whole.end(), s, s + n);
        produced += n;
        return push(s, n) && produced < maxSamples;
    };

    SDL_AudioStream* conv = nullptr;
    std::vector<qint16> converted;
    const auto drain = [&] {
        const int available = SDL_AudioStreamAvailable(conv);
        converted.resize(size_t(std::max(available, 0)) / sizeof(qint16));
        const int got = SDL_AudioStreamGet(conv, converted.data(), available);
        return got <= 0 || emit(converted.data(), size_t(got) / sizeof(qint16));
    };
    const auto closeConverter = [&](bool flush) {
        bool going = true;
        if (conv && flush && SDL_AudioStreamFlush(conv) == 0)
            going = drain();
        if (conv)
            SDL_FreeAudioStream(conv);
        conv = nullptr;
        return going;
    };

    std::vector<qint16> in(size_t(kStepFrames) * 2);
    int rate = 0;
    int inChannels = 0;
    bool natural = false;
    bool going = true;
    while (going && !m_stop) {
        const int frames = decoder.Read(in.data(), kStepFrames);
        if (frames <= 0) {
            natural = true;
            break;
        }
        if (decoder.Rate() != rate || decoder.Channels() != inChannels) {
            // A new format: what the old converter holds goes first.
            if (!closeConverter(true))
                break;
            rate = decoder.Rate();
            inChannels = decoder.Channels();
            if (rate != m_options.rate || inChannels != channels) {
                conv = SDL_NewAudioStream(AUDIO_S16SYS, Uint8(inChannels), rate, AUDIO_S16SYS,
                                          Uint8(channels), m_options.rate);
                if (!conv)
                    break;
            }
        }
        const size_t samples = size_t(frames) * size_t(inChannels);
        if (!conv) {
            going = emit(in.data(), samples);
        } else {
            going =
                SDL_AudioStreamPut(conv, in.data(), int(samples * sizeof(qint16))) == 0 && drain();
        }
    }
    natural = natural && closeConverter(true) && !m_stop;
    closeConverter(false);
    if (natural && keeping && m_keep)
        m_keep(std::move(whole));
}

bool StreamVoice::push(const qint16* samples, size_t count)
{
    const size_t capacity = m_ring.size();
    while (count > 0) {
        std::unique_lock lock(m_lock);
        // Refilled in batches of a quarter of the buffer, so the thread wakes
        // a few times a second rather than at every mixer buffer.
        m_changed.wait(lock, [&] {
            return m_stop || capacity - m_count >= std::min(count, capacity / 4 + 1);
        });
        if (m_stop)
            return false;
        const size_t take = std::min(count, capacity - m_count);
        const size_t tail = (m_head + m_count) % capacity;
        const size_t first = std::min(take, capacity - tail);
        std::memcpy(m_ring.data() + tail, samples, first * sizeof(qint16));
        std::memcpy(m_ring.data(), samples + first, (take - first) * sizeof(qint16));
        m_count += take;
        samples += take;
        count -= take;
    }
    return true;
}

void StreamVoice::fill(qint16* out, size_t count)
{
    bool wake = false;
    {
        std::lock_guard lock(m_lock);
        const size_t capacity = m_ring.size();
        const size_t take = std::min(count, m_count);
        const size_t first = std::min(take, capacity - m_head);
        std::memcpy(out, m_ring.data() + m_head, first * sizeof(qint16));
        std::memcpy(out + first, m_ring.data(), (take - first) * sizeof(qint16));
        std::fill(out + take, out + count, qint16(0));
        // A short mix before the first samples is only a later start.
        if (take < count && m_begun && !m_decoded && !m_stop && m_options.underruns)
            m_options.underruns->fetch_add(1, std::memory_order_relaxed);
        m_begun = m_begun || take > 0;
        m_head = (m_head + take) % capacity;
        m_count -= take;
        wake = capacity - m_count > capacity / 4 || (m_decoded && m_count == 0);
    }
    if (wake)
        m_changed.notify_all();
}

void StreamVoice::Effect(int, void* stream, int len, void* self)
{
    static_cast<StreamVoice*>(self)->fill(static_cast<qint16*>(stream),
                                          size_t(len) / sizeof(qint16));
}

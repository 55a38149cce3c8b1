// SPDX-License-Identifier: GPL-3.0-or-later
#include "sound/WavDecoder.h"

#include <SDL.h>

#include <QtEndian>

#include <algorithm>
#include <cstring>
#include <iterator>
#include <utility>

namespace {

qint16 ToS16(const uchar* p, WavEncoding encoding, int bytes)
{
    if (encoding == WavEncoding::Float) {
        double v = 0;
        if (bytes == 4) {
            const quint32 bits = qFromLittleEndian<quint32>(p);
            float f = 0;
            std::memcpy(&f, &bits, sizeof f);
            v = f;
        } else {
            const quint64 bits = qFromLittleEndian<quint64>(p);
            std::memcpy(&v, &bits, sizeof v);
        }
        if (!(v == v)) // NaN
            return 0;
        return qint16(std::clamp(v * 32767.0, -32768.0, 32767.0));
    }
    switch (bytes) {
    case 1:
        return qint16((int(p[0]) - 128) * 256);
    case 2:
        return qint16(p[0] | p[1] << 8);
    default:
        // 24 and 32 bits: the top sixteen.
        return qint16(p[bytes - 2] | p[bytes - 1] << 8);
    }
}

} // namespace

bool WavDecoder::CanPlay(const WavInfo& info, qint64 fileSize)
{
    if (!info.ok())
        return false;
    if (info.encoding != WavEncoding::Compressed)
        return true;
    // What SDL decodes: Microsoft and IMA ADPCM, A-law and mu-law.
    constexpr quint16 kDecodable[] = {0x0002, 0x0011, 0x0006, 0x0007};
    return fileSize <= kMaxCompressedBytes &&
           std::find(std::begin(kDecodable), std::end(kDecodable), info.formatTag) !=
               std::end(kDecodable);
}

WavDecoder::WavDecoder(QString path, WavInfo info) : m_path(std::move(path)), m_info(info) {}

WavDecoder::~WavDecoder()
{
    SDL_free(m_decoded);
}

bool WavDecoder::Begin(const std::atomic<bool>&)
{
    m_file = std::make_unique<SoundFile>(m_path);
    if (!m_file->isOpen() || !CanPlay(m_info, m_file->size()))
        return false;
    if (m_info.encoding != WavEncoding::Compressed)
        return true;
    const QByteArray bytes = m_file->read(0, kMaxCompressedBytes);
    SDL_AudioSpec spec{};
    SDL_RWops* rw = SDL_RWFromConstMem(bytes.constData(), int(bytes.size()));
    if (!rw || !SDL_LoadWAV_RW(rw, 1, &spec, &m_decoded, &m_decodedBytes))
        return false;
    // SDL decodes these encodings to 16-bit samples.
    if (spec.format != AUDIO_S16SYS || spec.channels != m_info.channels ||
        int(spec.freq) != m_info.rate)
        return false;
    m_decodedChannels = spec.channels;
    return true;
}

int WavDecoder::Read(qint16* out, int maxFrames)
{
    if (!m_file || maxFrames <= 0)
        return 0;
    return m_decoded ? readDecoded(out, maxFrames) : readSamples(out, maxFrames);
}

int WavDecoder::readSamples(qint16* out, int maxFrames)
{
    const int block = m_info.blockAlign;
    const qint64 left = (m_info.dataBytes - m_position) / block;
    const int frames = int(std::min<qint64>(maxFrames, left));
    if (frames <= 0)
        return 0;
    const QByteArray bytes = m_file->read(m_info.dataOffset + m_position, qint64(frames) * block);
    const int got = int(bytes.size() / block);
    m_position += qint64(got) * block;
    const int bytesPerSample = m_info.bitsPerSample / 8;
    const int channels = Channels();
    const auto* p = reinterpret_cast<const uchar*>(bytes.constData());
    for (int f = 0; f < got; ++f)
        for (int c = 0; c < channels; ++c)
            out[f * channels + c] = ToS16(p + qsizetype(f) * block + c * bytesPerSample,
                                          m_info.encoding, bytesPerSample);
    return got;
}

int WavDecoder::readDecoded(qint16* out, int maxFrames)
{
    const int block = m_decodedChannels * int(sizeof(qint16));
    const qint64 left = (qint64(m_decodedBytes) - m_position) / block;
    const int frames = int(std::min<qint64>(maxFrames, left));
    if (frames <= 0)
        return 0;
    const auto* in = reinterpret_cast<const qint16*>(m_decoded + m_position);
    const int channels = Channels();
    for (int f = 0; f < frames; ++f)
        for (int c = 0; c < channels; ++c)
            out[f * channels + c] = in[f * m_decodedChannels + c];
    m_position += qint64(frames) * block;
    return frames;
}

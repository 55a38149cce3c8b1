// SPDX-License-Identifier: GPL-3.0-or-later
#include "sound/Mp3Decoder.h"

#include <mpg123.h>

#include <utility>

Mp3Decoder::Mp3Decoder(QString path) : m_path(std::move(path)) {}

Mp3Decoder::~Mp3Decoder()
{
    if (m_mh) {
        mpg123_close(m_mh);
        mpg123_delete(m_mh);
    }
}

bool Mp3Decoder::LooksLikeMpeg(QByteArrayView head)
{
    if (head.startsWith("ID3"))
        return true;
    // Frame sync: eleven bits set, then a version and layer that exist.
    if (head.size() < 2 || uchar(head[0]) != 0xFF || (uchar(head[1]) & 0xE0) != 0xE0)
        return false;
    return (uchar(head[1]) & 0x18) != 0x08 && (uchar(head[1]) & 0x06) != 0;
}

bool Mp3Decoder::open()
{
    m_file = std::make_unique<SoundFile>(m_path);
    if (!m_file->isOpen())
        return false;
    m_mh = mpg123_new(nullptr, nullptr);
    if (!m_mh)
        return false;
    // ID3v2 tags are skipped unread: a tag may claim any size.
    mpg123_param(m_mh, MPG123_FLAGS, MPG123_QUIET | MPG123_SKIP_ID3V2, 0);
    // Signed 16-bit samples at whatever rate the file has; the stream
    // converts them to the mixer's rate.
    mpg123_format_none(m_mh);
    const long* rates = nullptr;
    size_t count = 0;
    mpg123_rates(&rates, &count);
    for (size_t i = 0; i < count; ++i)
        mpg123_format(m_mh, rates[i], MPG123_MONO | MPG123_STEREO, MPG123_ENC_SIGNED_16);
    if (mpg123_open_fd(m_mh, m_file->handle()) != MPG123_OK)
        return false;
    long rate = 0;
    int channels = 0;
    int encoding = 0;
    if (mpg123_getformat(m_mh, &rate, &channels, &encoding) != MPG123_OK || rate <= 0 ||
        channels < 1 || channels > 2)
        return false;
    m_rate = int(rate);
    m_channels = channels;
    return true;
}

double Mp3Decoder::Probe(const QString& path)
{
    Mp3Decoder d(path);
    if (!d.open())
        return -1;
    // The first frame must decode, not merely look like a header.
    off_t frame = 0;
    unsigned char* audio = nullptr;
    size_t bytes = 0;
    int r = mpg123_decode_frame(d.m_mh, &frame, &audio, &bytes);
    if (r == MPG123_NEW_FORMAT)
        r = mpg123_decode_frame(d.m_mh, &frame, &audio, &bytes);
    if (r != MPG123_OK || bytes == 0)
        return -1;
    const off_t samples = mpg123_length(d.m_mh);
    if (samples <= 0)
        return -1;
    return double(samples) / d.m_rate;
}

bool Mp3Decoder::Begin(const std::atomic<bool>&)
{
    return open();
}

int Mp3Decoder::Read(qint16* out, int maxFrames)
{
    if (!m_mh || maxFrames <= 0 || m_next.rate < 0)
        return 0;
    if (m_next.rate > 0) {
        // What the last read gave was in the old format; now comes the new.
        m_rate = m_next.rate;
        m_channels = m_next.channels;
        m_next = {};
    }
    for (int tries = 0; tries < 4; ++tries) {
        size_t done = 0;
        const size_t want = size_t(maxFrames) * size_t(m_channels) * sizeof(qint16);
        const int r = mpg123_read(m_mh, out, want, &done);
        const int frames = int(done / sizeof(qint16) / size_t(m_channels));
        if (r == MPG123_NEW_FORMAT) {
            long rate = 0;
            int channels = 0;
            int encoding = 0;
            mpg123_getformat(m_mh, &rate, &channels, &encoding);
            if (rate <= 0 || channels < 1 || channels > 2) {
                m_next = {-1, 0}; // a format we cannot take: the sound ends here
                return frames;
            }
            m_next = {int(rate), channels};
            if (frames > 0)
                return frames;
            m_rate = m_next.rate;
            m_channels = m_next.channels;
            m_next = {};
            continue;
        }
        if (frames > 0)
            return frames;
        if (r != MPG123_OK)
            return 0; // the end, or damage mpg123 cannot get past
    }
    return 0;
}

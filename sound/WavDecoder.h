// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

// A wave file's samples. Integer and floating-point samples are read from the
// file as they play, however long it is; compressed wave data (ADPCM, A-law,
// mu-law) is decoded whole by SDL, which is why such files have a size cap.
// Files of more than two channels play their first two.

#include "sound/SoundDecoder.h"
#include "sound/SoundFile.h"
#include "sound/WavInfo.h"

#include <QString>

#include <algorithm>
#include <memory>

class WavDecoder final : public SoundDecoder {
public:
    // Compressed data decodes to at most four times its size (ADPCM), so this
    // keeps the decoded whole within the cap on any one sound's samples.
    static constexpr qint64 kMaxCompressedBytes = 16 * 1024 * 1024;

    // Whether a file of this format and size can be played.
    static bool CanPlay(const WavInfo& info, qint64 fileSize);

    WavDecoder(QString path, WavInfo info);
    ~WavDecoder() override;

    bool Begin(const std::atomic<bool>& stop) override;
    int Rate() const override { return m_info.rate; }
    int Channels() const override { return std::min(m_info.channels, 2); }
    int Read(qint16* out, int maxFrames) override;

private:
    int readSamples(qint16* out, int maxFrames);
    int readDecoded(qint16* out, int maxFrames);

    QString m_path;
    WavInfo m_info;
    std::unique_ptr<SoundFile> m_file;
    qint64 m_position = 0; // bytes of data read
    // Compressed files: SDL's decoded 16-bit samples, and how far they are played.
    quint8* m_decoded = nullptr;
    quint32 m_decodedBytes = 0;
    int m_decodedChannels = 0;
};

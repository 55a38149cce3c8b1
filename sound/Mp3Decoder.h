// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

// MPEG audio (MP3, and layers I and II) through libmpg123, frame by frame.

#include "sound/SoundDecoder.h"
#include "sound/SoundFile.h"

#include <QByteArrayView>
#include <QString>

#include <memory>

typedef struct mpg123_handle_struct mpg123_handle;

class Mp3Decoder final : public SoundDecoder {
public:
    explicit Mp3Decoder(QString path);
    ~Mp3Decoder() override;

    // Whether the first bytes are an ID3v2 tag or an MPEG audio frame header,
    // as an MPEG audio file begins.
    static bool LooksLikeMpeg(QByteArrayView head);
    // The length in seconds, from the Xing/Info/VBRI header or else the file
    // size and the first frame's bit rate; negative when mpg123 finds no
    // frame it can decode. Reads the headers and decodes the first frame only.
    static double Probe(const QString& path);

    bool Begin(const std::atomic<bool>& stop) override;
    int Rate() const override { return m_rate; }
    int Channels() const override { return m_channels; }
    int Read(qint16* out, int maxFrames) override;

private:
    bool open();

    QString m_path;
    std::unique_ptr<SoundFile> m_file;
    mpg123_handle* m_mh = nullptr;
    int m_rate = 0;
    int m_channels = 0;
    struct Format {
        int rate = 0;
        int channels = 0;
    };
    // A change of format that applies from the next read; a negative rate ends
    // the sound there.
    Format m_next;
};

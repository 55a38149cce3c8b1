// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

// One sound decoded step by step on a decoder thread of its own, from the
// beginning, into 16-bit samples at the sound's own rate. The thread turns
// them into the mixer's format.

#include <QtGlobal>

#include <atomic>

class SoundDecoder {
public:
    virtual ~SoundDecoder() = default;

    // Gets ready to decode; false when the sound cannot be decoded after all.
    // May take a while (a synthesiser to set up, a soundfont to wait for) but
    // gives up soon after stop turns true.
    virtual bool Begin(const std::atomic<bool>& stop) = 0;
    // The format of what Read gives; known after Begin. One or two channels.
    virtual int Rate() const = 0;
    virtual int Channels() const = 0;
    // Up to maxFrames frames of interleaved samples into out, which has room
    // for maxFrames × 2 samples; 0 at the end of the sound or on an error. The
    // format may change between reads (an MP3 may switch mid-stream).
    virtual int Read(qint16* out, int maxFrames) = 0;

protected:
    SoundDecoder() = default;
    SoundDecoder(const SoundDecoder&) = delete;
    SoundDecoder& operator=(const SoundDecoder&) = delete;
};

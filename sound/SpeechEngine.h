// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

// A text-to-speech engine as the announcement module uses it: speak a text,
// stop, and say how it is doing. Speaking is asynchronous: Speak returns at
// once and the voice is heard on a mixer channel of its own.
//
// Engines: Open JTalk (SpeechEngineOpenJTalk), espeak-ng with MeCab readings
// (SpeechEngineEspeak), and SpeechEngineNone where neither works; the factory
// in SpeechEngines.h picks one.

#include "sound/VoiceSettings.h"

#include <QString>

class SpeechEngine {
public:
    // Status values.
    static constexpr qint32 kIdle = 0;
    static constexpr qint32 kSpeaking = 1;
    // The last text could not be synthesised.
    static constexpr qint32 kFailed = -1;

    virtual ~SpeechEngine() = default;

    // "openjtalk", "espeak", "none".
    virtual QString Name() const = 0;
    // False for an engine whose program, library or voice is missing; such an
    // engine speaks nothing.
    virtual bool Available() const = 0;
    // Applies to the next Speak.
    virtual void SetVoiceSettings(const VoiceSettings& settings) = 0;
    // Stops what is spoken and starts the text.
    virtual void Speak(const QString& text) = 0;
    // A hint that the text is likely to be spoken next: an engine may make
    // its start ahead of time, so that Speak is heard at once.
    virtual void Prepare(const QString& text) {}
    // Silent within one mixer buffer.
    virtual void Stop() = 0;
    virtual qint32 Status() const = 0;

protected:
    SpeechEngine() = default;
    SpeechEngine(const SpeechEngine&) = delete;
    SpeechEngine& operator=(const SpeechEngine&) = delete;
};

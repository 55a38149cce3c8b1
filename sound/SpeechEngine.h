// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

// A text-to-speech engine as the announcement module uses it: speak a text,
// stop, and say how it is doing. Speaking is asynchronous: Speak returns at
// once and the voice is heard on a mixer channel of its own.
//
// Engines: Open JTalk (SpeechEngineOpenJTalk), espeak-ng with MeCab readings
// (SpeechEngineEspeak), and SpeechEngineNone where neither works; the factory
// in SpeechEngines.h picks one.

#include "sound/ReadingList.h"
#include "sound/VoiceSettings.h"

#include <QString>
#include <QStringList>

#include <memory>

class SpeechEngine {
public:
    // Status values.
    static constexpr qint32 kIdle = 0;
    static constexpr qint32 kSpeaking = 1;
    // The last text could not be synthesised.
    static constexpr qint32 kFailed = -1;
    // What is spoken of one text; the rest is dropped. An announcement is a
    // few sentences: this is minutes of speech.
    static constexpr qsizetype kMaxTextChars = 4000;

    virtual ~SpeechEngine() = default;

    // "openjtalk", "espeak", "none".
    virtual QString Name() const = 0;
    // False for an engine whose program, library or voice is missing; such an
    // engine speaks nothing.
    virtual bool Available() const = 0;
    // Applies to the next Speak.
    virtual void SetVoiceSettings(const VoiceSettings& settings) = 0;
    // Readings put into every text spoken or prepared from now on; the engine
    // applies them off the caller's thread. Null: none.
    virtual void SetReadings(std::shared_ptr<const ReadingList> readings) {}
    // Stops what is spoken and starts the text (readings applied). Returns at
    // once, whatever the text.
    virtual void Speak(const QString& text) = 0;
    // The texts likely to be spoken, the soonest wanted first (replacing the
    // previous list): an engine may make them ahead of time, in the
    // background, so that a Speak of one is heard at once.
    virtual void Prepare(const QStringList& texts) {}
    // Silent within one mixer buffer.
    virtual void Stop() = 0;
    virtual qint32 Status() const = 0;

protected:
    SpeechEngine() = default;
    SpeechEngine(const SpeechEngine&) = delete;
    SpeechEngine& operator=(const SpeechEngine&) = delete;
};

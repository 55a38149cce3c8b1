// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

// How announcements are spoken: engine, voice, speed, pitch and volume. Kept
// in the user's config folder, not in the settings file beside the program:
// like a system's voice settings, they belong to the user, not the board.

#include <QString>
#include <QStringList>

struct VoiceSettings {
    QString engine;   // "openjtalk", "espeak"; empty: the best that works
    QString voice;    // Open JTalk: path of the .htsvoice; espeak-ng: voice name
    int rate = 100;   // speed in percent, 50..200
    int pitch = 0;    // half tones, -12..12
    int volume = 100; // percent, 0..200

    static constexpr int kMinRate = 50, kMaxRate = 200;
    static constexpr int kMinPitch = -12, kMaxPitch = 12;
    static constexpr int kMaxVolume = 200;

    // Values out of range are brought within it.
    VoiceSettings Clamped() const;

    // voice.ini in the user's config folder.
    static QString DefaultFile();
    // Missing or unreadable file: the defaults.
    static VoiceSettings Load(const QString& file);
    bool Save(const QString& file) const;

    bool operator==(const VoiceSettings&) const = default;
};

// An engine that works on this machine and its voices, for the voice dialog.
struct SpeechEngineInfo {
    QString id;         // VoiceSettings::engine
    QString label;      // shown to the user
    QStringList voices; // VoiceSettings::voice values
    QStringList voiceLabels;
};

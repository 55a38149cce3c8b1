// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

// The sound module: plays the user's sound files (WAV, MP3, MIDI) on the four
// channels "S1".."S4", in the background or holding the caller until the sound
// has ended. Each channel is one media device under the alias <base name> +
// channel; the module only builds command strings and hands them to whoever
// carries them out (the command interpreter in the program, a recorder in tests).
// No failure is reported: a sound that cannot play is simply not heard.

#include <QString>

#include <functional>

class mdlSndAPI final {
public:
    // Carries out one command string; 0 means success.
    using SendString = std::function<int(const QString& command)>;

    // baseName: the executable's base name without extension ("517").
    mdlSndAPI(QString baseName, SendString send);

    // sync non-zero: returns when the sound has ended, then pauses delay ms.
    // An empty path or one that names no file leaves the channel as it is.
    void SndPlay(const QString& path, const QString& channel, qint16 sync, qint16 delay);
    // Closes the four channels, S1 first.
    void SndCloseAll();

    // " type waveaudio alias " and its kin, chosen by the last three characters
    // of the path upper-cased and trimmed; empty for any other ending.
    static QString DeviceTypeWord(const QString& path);

    QString Alias(const QString& channel) const { return m_baseName + channel; }

private:
    int send(const QString& command) const { return m_send ? m_send(command) : 0; }

    QString m_baseName;
    SendString m_send;
};

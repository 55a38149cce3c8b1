// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

// Open JTalk: the open_jtalk program with its NAIST dictionary and an HTS
// voice. Each sentence runs the program once, the text on its input and the
// wave file read from its output. Voices (*.htsvoice) are looked for in the
// system's HTS voice folder, in "voices" in the user's data folder, and beside
// the program (and in "voices" there), so a user can drop in any voice.

#include "sound/SpeechEngineSynth.h"

class SpeechEngineOpenJTalk final : public SpeechEngineSynth {
public:
    struct Paths {
        QString program;    // open_jtalk
        QString dictionary; // folder holding sys.dic
        QStringList voiceFolders;
    };
    // The system's program and dictionary, and the folders above.
    static Paths DefaultPaths();
    // Voices in the folders, the system's default first, each path once.
    static QStringList FindVoices(const QStringList& folders);
    // The voice a setting names, else the default voice, else the first.
    static QString ChooseVoice(const QStringList& voices, const QString& wanted);

    explicit SpeechEngineOpenJTalk(MixerSource mixer, Paths paths = DefaultPaths());
    ~SpeechEngineOpenJTalk() override;

    QString Name() const override { return QStringLiteral("openjtalk"); }
    bool Available() const override { return m_available; }
    QStringList Voices() const { return m_voices; }

protected:
    Pcm Synthesize(const QString& sentence, const VoiceSettings& settings,
                   const Cancelled& cancelled) override;

private:
    Paths m_paths;
    QStringList m_voices;
    bool m_available = false;
};

// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

// espeak-ng's Japanese voice, for machines without Open JTalk or its voices.
// espeak-ng reads kana but not kanji, so MeCab (with the IPA dictionary)
// first turns the text into the kana of its pronunciation; libespeak-ng then
// synthesises into memory on the engine's worker thread.

#include "sound/SpeechEngineSynth.h"

#include <QByteArray>

struct mecab_t;

class SpeechEngineEspeak final : public SpeechEngineSynth {
public:
    struct Paths {
        QString mecabDictionary; // folder of a UTF-8 MeCab dictionary
        QString espeakData;      // empty: the library's own (read once per process)
        QString voice = QStringLiteral("ja");
    };
    static Paths DefaultPaths();

    explicit SpeechEngineEspeak(MixerSource mixer, Paths paths = DefaultPaths());
    ~SpeechEngineEspeak() override;

    QString Name() const override { return QStringLiteral("espeak"); }
    bool Available() const override { return m_available; }

    // The text as espeak-ng is given it: words in hiragana by MeCab's
    // pronunciation, what MeCab cannot read kept as written.
    QString ToKana(const QString& text) const;

protected:
    Pcm Synthesize(const QString& sentence, const VoiceSettings& settings,
                   const Cancelled& cancelled) override;

private:
    Paths m_paths;
    mecab_t* m_mecab = nullptr;
    bool m_available = false;
};

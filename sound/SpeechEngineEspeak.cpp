// SPDX-License-Identifier: GPL-3.0-or-later
#include "sound/SpeechEngineEspeak.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>

#include <espeak-ng/speak_lib.h>
#include <mecab.h>

#include <algorithm>
#include <mutex>

namespace {

// libespeak-ng is one synthesiser per process: every call goes through this
// lock. It is initialised once and kept: espeak-ng 1.51 hangs when it is
// terminated after a second initialisation.
std::mutex& EspeakLock()
{
    static std::mutex m;
    return m;
}
bool g_espeakTried = false;
int g_espeakRate = 0;

// espeak-ng hands over samples through a plain function.
struct SynthTarget {
    std::vector<qint16>* samples;
    const SpeechEngineSynth::Cancelled* cancelled;
    bool aborted = false; // the samples stop short
};
constexpr size_t kMaxSamples = size_t(22050) * 600;

int OnSamples(short* wav, int count, espeak_EVENT* events)
{
    auto* target = events ? static_cast<SynthTarget*>(events->user_data) : nullptr;
    if (!target)
        return 0;
    if ((*target->cancelled)() || target->samples->size() > kMaxSamples) {
        target->aborted = true;
        return 1;
    }
    if (wav && count > 0)
        target->samples->insert(target->samples->end(), wav, wav + count);
    return 0;
}

} // namespace

SpeechEngineEspeak::Paths SpeechEngineEspeak::DefaultPaths()
{
    Paths p;
    p.mecabDictionary = QStringLiteral("/var/lib/mecab/dic/ipadic-utf8");
    return p;
}

SpeechEngineEspeak::SpeechEngineEspeak(MixerSource mixer, Paths paths)
    : SpeechEngineSynth(std::move(mixer)), m_paths(std::move(paths))
{
    if (QFileInfo(QDir(m_paths.mecabDictionary).filePath(QStringLiteral("sys.dic"))).isFile()) {
        // No rc file: the dictionary is named here, so /etc/mecabrc's choice
        // (perhaps an EUC-JP one) plays no part.
        const QByteArray arg = "-r /dev/null -d " + QFile::encodeName(m_paths.mecabDictionary);
        m_mecab = mecab_new2(arg.constData());
    }
    {
        std::lock_guard lock(EspeakLock());
        if (!g_espeakTried) {
            g_espeakTried = true;
            const QByteArray data = QFile::encodeName(m_paths.espeakData);
            g_espeakRate = espeak_Initialize(AUDIO_OUTPUT_SYNCHRONOUS, 0,
                                             data.isEmpty() ? nullptr : data.constData(),
                                             espeakINITIALIZE_DONT_EXIT);
        }
        m_available = m_mecab && g_espeakRate > 0 &&
                      espeak_SetVoiceByName(m_paths.voice.toUtf8().constData()) == EE_OK;
    }
}

SpeechEngineEspeak::~SpeechEngineEspeak()
{
    StopWorker();
    if (m_mecab)
        mecab_destroy(m_mecab);
}

QString SpeechEngineEspeak::ToKana(const QString& text) const
{
    if (!m_mecab)
        return text;
    const QByteArray utf8 = text.toUtf8();
    QString out;
    for (const mecab_node_t* n =
             mecab_sparse_tonode2(m_mecab, utf8.constData(), size_t(utf8.size()));
         n; n = n->next) {
        if (n->stat == MECAB_BOS_NODE || n->stat == MECAB_EOS_NODE)
            continue;
        const QString surface = QString::fromUtf8(n->surface, n->length);
        // IPA dictionary features: 品詞,細分類1,2,3,活用型,活用形,原形,読み,発音
        const QStringList f = QString::fromUtf8(n->feature).split(u',');
        const QString spoken = f.size() > 8 && f[8] != u'*'   ? f[8]
                               : f.size() > 7 && f[7] != u'*' ? f[7]
                                                              : QString();
        out += spoken.isEmpty() ? surface : KatakanaToHiragana(spoken);
    }
    return out;
}

Pcm SpeechEngineEspeak::Synthesize(const QString& sentence, const VoiceSettings& settings,
                                   const Cancelled& cancelled)
{
    if (!m_available)
        return {};
    const QByteArray kana = ToKana(sentence).toUtf8();
    std::vector<qint16> samples;
    SynthTarget target{&samples, &cancelled};
    std::lock_guard lock(EspeakLock());
    espeak_SetSynthCallback(&OnSamples);
    if (espeak_SetVoiceByName(m_paths.voice.toUtf8().constData()) != EE_OK)
        return {};
    espeak_SetParameter(espeakRATE, std::clamp(175 * settings.rate / 100, 80, 450), 0);
    espeak_SetParameter(espeakPITCH, std::clamp(50 + settings.pitch * 4, 0, 100), 0);
    espeak_SetParameter(espeakVOLUME, 100, 0);
    const espeak_ERROR err = espeak_Synth(kana.constData(), size_t(kana.size()) + 1, 0,
                                          POS_CHARACTER, 0, espeakCHARS_UTF8, nullptr, &target);
    if (err != EE_OK || target.aborted)
        return {};
    Pcm pcm;
    pcm.rate = g_espeakRate;
    pcm.channels = 1;
    pcm.samples = std::move(samples);
    return pcm;
}

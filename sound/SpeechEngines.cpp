// SPDX-License-Identifier: GPL-3.0-or-later
#include "sound/SpeechEngines.h"

#include "sound/SpeechEngineEspeak.h"
#include "sound/SpeechEngineNone.h"
#include "sound/SpeechEngineOpenJTalk.h"

#include <QFileInfo>

namespace {

std::unique_ptr<SpeechEngineSynth> Make(const QString& id, SpeechEngineSynth::MixerSource mixer)
{
    std::unique_ptr<SpeechEngineSynth> e;
    if (id == QLatin1String("openjtalk"))
        e = std::make_unique<SpeechEngineOpenJTalk>(std::move(mixer));
    else if (id == QLatin1String("espeak"))
        e = std::make_unique<SpeechEngineEspeak>(std::move(mixer));
    if (e && !e->Available())
        e.reset();
    return e;
}

} // namespace

namespace SpeechEngines {

std::unique_ptr<SpeechEngine> Create(const VoiceSettings& settings,
                                     SpeechEngineSynth::MixerSource mixer)
{
    QStringList order{QStringLiteral("openjtalk"), QStringLiteral("espeak")};
    if (order.contains(settings.engine))
        order.move(order.indexOf(settings.engine), 0);
    for (const QString& id : order) {
        if (std::unique_ptr<SpeechEngineSynth> e = Make(id, mixer)) {
            e->SetVoiceSettings(settings);
            return e;
        }
    }
    return std::make_unique<SpeechEngineNone>();
}

QList<SpeechEngineInfo> Available()
{
    QList<SpeechEngineInfo> list;
    {
        SpeechEngineOpenJTalk ojt({});
        if (ojt.Available()) {
            SpeechEngineInfo info{
                QStringLiteral("openjtalk"), QStringLiteral("Open JTalk"), {}, {}};
            info.voices = ojt.Voices();
            for (const QString& v : info.voices)
                info.voiceLabels << QFileInfo(v).completeBaseName();
            list << info;
        }
    }
    {
        SpeechEngineEspeak espeak({});
        if (espeak.Available())
            list << SpeechEngineInfo{QStringLiteral("espeak"),
                                     QStringLiteral("eSpeak NG"),
                                     {QStringLiteral("ja")},
                                     {QStringLiteral("日本語 (ja)")}};
    }
    return list;
}

} // namespace SpeechEngines

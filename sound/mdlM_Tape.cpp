// SPDX-License-Identifier: GPL-3.0-or-later
#include "sound/mdlM_Tape.h"

#include <QFile>
#include <QFileInfo>

mdlM_Tape::mdlM_Tape(Hooks hooks) : m_hooks(std::move(hooks)) {}

mdlM_Tape::~mdlM_Tape() = default;

bool mdlM_Tape::isVista() const
{
    return m_hooks.GetOsInfo && m_hooks.GetOsInfo() == QLatin1String("Windows Vista");
}

void mdlM_Tape::TapeInit()
{
    if (!isVista() && m_hooks.CreateEngine)
        m_engine = m_hooks.CreateEngine();
    const bool ok = m_engine && m_engine->Available();
    if (!ok)
        m_engine.reset();
    m_voiceAvailable = ok ? -1 : 0;
    if (m_hooks.SetGroup)
        m_hooks.SetGroup(ok ? QStringLiteral("音合使用可") : QStringLiteral("音合使用不可"), ok);
}

void mdlM_Tape::TapeLoad(const QString& folder, const QString& routeKey)
{
    if (isVista())
        return;
    // The previous route's list is gone whatever happens to this one.
    m_entries.clear();
    m_tapeCount = 0;
    m_tapeIndex = 0;
    m_readings = ReadingList::Load(folder, routeKey);

    const QString name = FindTapeFile(folder, routeKey);
    QFile file(name);
    TapeParseResult parsed;
    if (!name.isEmpty() && file.open(QIODevice::ReadOnly)) {
        const QByteArray bytes = file.read(kTapeMaxFileBytes + 1);
        if (file.error() == QFileDevice::NoError)
            parsed = ParseTapeCsv(bytes);
        else
            parsed.error = file.errorString();
    } else {
        parsed.error = QStringLiteral("ファイルがありません");
    }
    if (!parsed.ok()) {
        // No announcements for this route; not worth a message.
        if (m_hooks.SetGroup)
            m_hooks.SetGroup(m_voiceAvailable ? QStringLiteral("音合使用可")
                                              : QStringLiteral("音合使用不可"),
                             false);
        return;
    }
    m_entries = std::move(parsed.entries);
    m_tapeCount = qint32(m_entries.size());
    prepare(1);
    if (m_voiceAvailable == -1 && m_hooks.EnableControls)
        m_hooks.EnableControls();
}

qint16 mdlM_Tape::GetTapeStepFlag(qint32 index) const
{
    return index >= 1 && index <= m_tapeCount ? m_entries[index - 1].TapeStepFlag : 0;
}

qint16 mdlM_Tape::GetTapePreFlag(qint32 index) const
{
    return index >= 1 && index <= m_tapeCount ? m_entries[index - 1].TapePreFlag : 0;
}

void mdlM_Tape::playPre(int flag, const QString& channel, const PreSoundOptions& o)
{
    const QString& path = flag == 0 ? o.PreSound : o.PreSoundFlag[size_t(flag)];
    if (m_hooks.SndPlay)
        m_hooks.SndPlay(path, channel, o.PreSoundSync, 0);
}

void mdlM_Tape::TapeNext()
{
    ++m_tapeIndex;
    if (m_tapeIndex > m_tapeCount) {
        m_tapeIndex = m_tapeCount;
        return;
    }
    const PreSoundOptions o = m_hooks.PreSound ? m_hooks.PreSound() : PreSoundOptions{};
    const qint16 f = GetTapePreFlag(m_tapeIndex);
    if (o.PreSoundAlways)
        playPre(0, QStringLiteral("S3"), o);
    else if (f >= 1 && f <= 3)
        playPre(f, QStringLiteral("S3"), o);
    TapeSpeak(m_tapeIndex);
}

void mdlM_Tape::TapeBack()
{
    --m_tapeIndex;
    if (m_tapeIndex < 1) {
        m_tapeIndex = 1;
        return;
    }
    const PreSoundOptions o = m_hooks.PreSound ? m_hooks.PreSound() : PreSoundOptions{};
    const qint16 f = GetTapePreFlag(m_tapeIndex);
    if (f >= 1 && f <= 3)
        playPre(f, QStringLiteral("S2"), o);
    TapeSpeak(m_tapeIndex);
}

void mdlM_Tape::TapeSpeak(qint32 index)
{
    if (!m_engine || index < 1 || index > m_tapeCount)
        return;
    m_engine->Stop();
    m_engine->Speak(SpokenText(m_entries[index - 1].TapeText));
    if (m_engine->Status() == SpeechEngine::kFailed)
        m_engine->Stop();
    prepare(index + 1);
}

void mdlM_Tape::prepare(qint32 index)
{
    // The entry "送り" will speak next, made while this one plays.
    if (m_engine && index >= 1 && index <= m_tapeCount)
        m_engine->Prepare(SpokenText(m_entries[index - 1].TapeText));
}

void mdlM_Tape::TapeStop()
{
    if (m_engine)
        m_engine->Stop();
}

void mdlM_Tape::TapeVoiceDialog()
{
    if (m_hooks.VoiceDialog)
        m_hooks.VoiceDialog(QStringLiteral("音声の調節"));
}

void mdlM_Tape::TapeRelease()
{
    m_engine.reset();
}

qint16 mdlM_Tape::FileExists(const QString& name)
{
    return !name.isEmpty() && QFileInfo(name).isFile() ? -1 : 0;
}

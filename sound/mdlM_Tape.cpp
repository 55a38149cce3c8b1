// SPDX-License-Identifier: GPL-3.0-or-later
#include "sound/mdlM_Tape.h"

#include <QFileInfo>
#include <QThread>

#include <algorithm>

mdlM_Tape::mdlM_Tape(Hooks hooks) : m_hooks(std::move(hooks)) {}

mdlM_Tape::~mdlM_Tape()
{
    waitForCreator();
}

bool mdlM_Tape::isVista() const
{
    return m_hooks.GetOsInfo && m_hooks.GetOsInfo() == QLatin1String("Windows Vista");
}

void mdlM_Tape::TapeInit()
{
    if (m_creator || m_engineKnown)
        return;
    if (isVista() || !m_hooks.CreateEngine) {
        engineMade();
        return;
    }
    m_creator = QThread::create([this, create = m_hooks.CreateEngine] { m_made = create(); });
    // Queued to this thread: the engine is taken up between two events.
    QObject::connect(m_creator, &QThread::finished, &m_context, [this] { engineMade(); });
    m_creator->start();
}

void mdlM_Tape::waitForCreator()
{
    if (!m_creator)
        return;
    // Making an engine reads files only; it never speaks, so this is short.
    m_creator->wait();
    delete m_creator;
    m_creator = nullptr;
}

void mdlM_Tape::engineMade()
{
    if (m_engineKnown)
        return; // released meanwhile, or told twice
    waitForCreator();
    std::unique_ptr<SpeechEngine> made = std::move(m_made);
    const bool ok = made && made->Available();
    if (ok)
        m_engine = std::move(made);
    m_engineKnown = true;
    m_voiceAvailable = ok ? -1 : 0;
    // A route set meanwhile that found no list leaves the group off, as it
    // would have had the engine been there before it.
    if (m_hooks.SetGroup)
        m_hooks.SetGroup(ok ? QStringLiteral("音合使用可") : QStringLiteral("音合使用不可"),
                         ok && !m_loadFailed);
    if (!ok)
        return;
    m_engine->SetReadings(m_readings);
    if (m_tapeCount > 0) {
        prepareFrom(m_tapeIndex);
        if (m_hooks.EnableControls)
            m_hooks.EnableControls();
    }
}

void mdlM_Tape::ReplaceEngine(std::unique_ptr<SpeechEngine> engine)
{
    m_engine = std::move(engine);
    if (!m_engine)
        return;
    m_engine->SetReadings(m_readings);
    prepareFrom(m_tapeIndex);
}

void mdlM_Tape::TapeLoad(const QString& folder, const QString& routeKey)
{
    if (isVista())
        return;
    const QString name = FindTapeFile(folder, routeKey);
    TapeParseResult parsed;
    if (!name.isEmpty())
        parsed = ReadTapeFile(name); // a regular file only: a pipe never stalls
    else
        parsed.error = QStringLiteral("ファイルがありません");
    load(parsed, ReadingList::Load(folder, routeKey));
}

void mdlM_Tape::TapeLoadList(const QList<TapeEntry>& entries, const ReadingList& readings)
{
    if (isVista())
        return;
    TapeParseResult list;
    list.entries = entries;
    if (entries.isEmpty())
        list.error = QStringLiteral("行がありません");
    load(list, readings);
}

void mdlM_Tape::load(TapeParseResult parsed, const ReadingList& readings)
{
    // The previous route's list is gone whatever happens to this one.
    m_entries.clear();
    m_tapeCount = 0;
    m_tapeIndex = 0;
    m_loadFailed = true;
    m_readings = std::make_shared<const ReadingList>(readings);
    if (m_engine) {
        m_engine->Prepare({});
        m_engine->SetReadings(m_readings);
    }
    if (!parsed.ok()) {
        // No announcements for this route; not worth a message.
        if (m_hooks.SetGroup)
            m_hooks.SetGroup(m_voiceAvailable ? QStringLiteral("音合使用可")
                                              : QStringLiteral("音合使用不可"),
                             false);
        return;
    }
    m_loadFailed = false;
    m_entries = std::move(parsed.entries);
    m_tapeCount = qint32(m_entries.size());
    prepareFrom(0);
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
    m_engine->Speak(m_entries[index - 1].TapeText);
    if (m_engine->Status() == SpeechEngine::kFailed)
        m_engine->Stop();
    prepareFrom(index);
}

void mdlM_Tape::prepareFrom(qint32 index)
{
    if (!m_engine)
        return;
    QStringList texts;
    texts.reserve(m_tapeCount);
    for (qint32 i = index + 1; i <= m_tapeCount; ++i)
        texts << m_entries[i - 1].TapeText;
    for (qint32 i = std::min(index, m_tapeCount); i >= 1; --i)
        texts << m_entries[i - 1].TapeText;
    m_engine->Prepare(texts);
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
    // An engine still being made is not wanted any more.
    waitForCreator();
    m_made.reset();
    m_engineKnown = true;
    m_engine.reset();
}

qint16 mdlM_Tape::FileExists(const QString& name)
{
    return !name.isEmpty() && QFileInfo(name).isFile() ? -1 : 0;
}

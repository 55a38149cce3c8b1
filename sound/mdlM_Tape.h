// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

// The announcement module: the route's announcement list, the tape position
// and the speech engine. "送り" speaks the next entry, "戻し" the previous
// one, each after its chime when the pre-announcement settings ask for one;
// entries can be marked so that the fare board steps with them (the panel
// asks GetTapeStepFlag after each step).
//
// The module knows neither the options dialog nor the panel: what it reads of
// the settings and what it changes on the panel come in as Hooks.
//
// Nothing here waits for speech. TapeInit makes the engine on a worker thread
// (finding voices and loading dictionaries takes a while) and tells the panel
// once it is known; a route set before then loads its list and the buttons
// come on with the engine. After a route set the engine is given the whole
// tape to make ahead, from the entry after the current one onward, and again
// after every entry spoken.

#include "sound/ReadingList.h"
#include "sound/SpeechEngine.h"
#include "sound/TapeData.h"

#include <QList>
#include <QObject>
#include <QString>

#include <array>
#include <functional>
#include <memory>

class QThread;

class mdlM_Tape final {
public:
    // The pre-announcement sound settings, read at the moment of use. The
    // choice is either PreSound before every "送り" or, otherwise, the
    // entry's flag sound.
    struct PreSoundOptions {
        bool PreSoundAlways = false;
        qint16 PreSoundSync = 0; // passed to SndPlay as it is (-1 or 0)
        QString PreSound;
        std::array<QString, 4> PreSoundFlag; // 1..3 used
    };

    struct Hooks {
        std::function<QString()> GetOsInfo;
        // The engine that works (an unavailable one, or none, when nothing
        // does). Called on a worker thread: it must not touch the windows.
        std::function<std::unique_ptr<SpeechEngine>()> CreateEngine;
        std::function<PreSoundOptions()> PreSound;
        std::function<void(const QString& path, const QString& channel, qint16 sync, qint16 delay)>
            SndPlay;
        // The announcement group's caption and whether it is enabled.
        std::function<void(const QString& caption, bool enabled)> SetGroup;
        // Enables the group and its four buttons.
        std::function<void()> EnableControls;
        // The voice dialog, owned by the control panel.
        std::function<void(const QString& title)> VoiceDialog;
    };

    explicit mdlM_Tape(Hooks hooks);
    ~mdlM_Tape();

    // Returns at once; the group's caption and state follow when the engine
    // is known (the event loop must run for that).
    void TapeInit();
    // folder ends in a separator or is empty (the working folder).
    void TapeLoad(const QString& folder, const QString& routeKey);
    // The same for a list held in memory (the route editor's, not saved):
    // an empty list is a route without announcements.
    void TapeLoadList(const QList<TapeEntry>& entries, const ReadingList& readings);
    void TapeNext();
    void TapeBack();
    void TapeSpeak(qint32 index);
    void TapeStop();
    void TapeVoiceDialog();
    void TapeRelease();

    qint32 GetTapeIndex() const { return m_tapeIndex; }
    qint32 GetTapeCount() const { return m_tapeCount; }
    qint16 GetTapeStepFlag(qint32 index) const;
    qint16 GetTapePreFlag(qint32 index) const;
    qint16 VoiceAvailable() const { return m_voiceAvailable; }

    // -1 when a file of that name exists, else 0 (also for an empty name).
    static qint16 FileExists(const QString& name);

    // Whether TapeInit has found out if an engine works.
    bool EngineKnown() const { return m_engineKnown; }
    // The engine in use, to adjust or try out voices; null until it is known
    // to work, and after TapeRelease.
    SpeechEngine* Engine() const { return m_engine.get(); }
    // Another engine, given the route's readings and tape.
    void ReplaceEngine(std::unique_ptr<SpeechEngine> engine);
    // What is spoken of an entry's text: the text with the readings (the
    // engine puts them in itself, off this thread).
    QString SpokenText(const QString& text) const { return m_readings->Apply(text); }
    const ReadingList& Readings() const { return *m_readings; }

private:
    bool isVista() const;
    void load(TapeParseResult parsed, const ReadingList& readings);
    void engineMade();
    void waitForCreator();
    // Hands the engine the tape, soonest wanted first: the entries after
    // index, then index and those before it.
    void prepareFrom(qint32 index);
    void playPre(int flag, const QString& channel, const PreSoundOptions& o);

    Hooks m_hooks;
    qint16 m_voiceAvailable = 0;
    std::unique_ptr<SpeechEngine> m_engine;
    bool m_engineKnown = false;
    QThread* m_creator = nullptr;
    std::unique_ptr<SpeechEngine> m_made; // written by m_creator before it ends
    QObject m_context;                    // where m_creator reports, on this thread
    bool m_loadFailed = false;            // the last route set found no list
    qint32 m_tapeCount = 0;
    QList<TapeEntry> m_entries; // entry i at i - 1
    qint32 m_tapeIndex = 0;
    std::shared_ptr<const ReadingList> m_readings = std::make_shared<const ReadingList>();
};

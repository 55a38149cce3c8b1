// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

// Carries out the sound module's command strings on the mixer: each alias is
// one device holding one decoded sound on a mixer channel of its own. "wait"
// on play holds the caller until the sound has ended, through the program's
// one wait, so windows keep painting meanwhile and user input waits.

#include "sound/MciCommand.h"
#include "sound/MixerBackend.h"

#include <QHash>
#include <QString>

#include <functional>
#include <future>
#include <memory>

class MciInterpreter final {
public:
    // Results of SendString; 0 is success.
    enum Result : int {
        Ok = 0,
        Unrecognized = 1, // not a command of this language
        UnknownAlias = 2, // play/stop/close of an alias that is not open
        AliasInUse = 3,   // open under an alias that is already open
        FileNotFound = 4, // open of a file that does not exist
        CannotDecode = 5, // open of a file the mixer cannot decode
    };

    explicit MciInterpreter(std::unique_ptr<MixerBackend> backend);
    // The mixer still opening on another thread: the first command that
    // needs it waits for it.
    explicit MciInterpreter(std::future<std::unique_ptr<MixerBackend>> opening);
    // The mixer opened later: on a worker thread from StartOpening, or on the
    // spot by the first command that needs it before then.
    using Opener = std::function<std::unique_ptr<MixerBackend>()>;
    explicit MciInterpreter(Opener opener);
    ~MciInterpreter();

    // Starts opening the mixer on a worker thread, once.
    void StartOpening();
    // Whether the mixer is open or being opened.
    bool OpeningStarted() const { return m_backend || m_opening.valid(); }

    int SendString(const QString& command);
    int Execute(const MciCommand& command);

    MixerBackend& Backend();
    bool IsOpen(const QString& alias) const;

    // The mixer's warm-up (MixerBackend::WarmUp), without waiting for a
    // mixer still opening: then it warms up as soon as it is open.
    void WarmUp();

private:
    Opener m_opener;
    std::future<std::unique_ptr<MixerBackend>> m_opening;
    std::unique_ptr<MixerBackend> m_backend;
    // Open devices by alias, compared without regard to letter case as the
    // language does. The device type is not kept: the mixer tells the kind
    // of sound by its content.
    QHash<QString, MixerBackend::Voice> m_devices;
    bool m_warmUp = false; // asked for while the mixer was still opening
};

// SPDX-License-Identifier: GPL-3.0-or-later
#include "sound/MciInterpreter.h"

#include "companion/SysWait.h"
#include "sound/MixerBackendDummy.h"

#include <QFileInfo>

#include <chrono>
#include <utility>

namespace {

QString Key(const QString& alias)
{
    return alias.toCaseFolded();
}

} // namespace

MciInterpreter::MciInterpreter(std::unique_ptr<MixerBackend> backend)
    : m_backend(std::move(backend))
{
}

MciInterpreter::MciInterpreter(std::future<std::unique_ptr<MixerBackend>> opening)
    : m_opening(std::move(opening))
{
}

MciInterpreter::MciInterpreter(Opener opener) : m_opener(std::move(opener)) {}

void MciInterpreter::StartOpening()
{
    if (m_backend || m_opening.valid() || !m_opener)
        return;
    m_opening = std::async(std::launch::async, std::exchange(m_opener, {}));
}

MciInterpreter::~MciInterpreter()
{
    if (!m_backend && !m_opening.valid())
        return;
    MixerBackend& b = Backend();
    for (const MixerBackend::Voice v : std::as_const(m_devices))
        b.Close(v);
}

MixerBackend& MciInterpreter::Backend()
{
    if (!m_backend && (m_opening.valid() || m_opener)) {
        m_backend = m_opening.valid() ? m_opening.get() : std::exchange(m_opener, {})();
        if (m_backend && m_warmUp)
            m_backend->WarmUp();
    }
    if (!m_backend)
        m_backend = std::make_unique<MixerBackendDummy>();
    return *m_backend;
}

void MciInterpreter::WarmUp()
{
    if (!m_backend && !m_opening.valid() && m_opener) {
        m_warmUp = true; // when it is open
        return;
    }
    if (m_backend || !m_opening.valid() ||
        m_opening.wait_for(std::chrono::seconds(0)) == std::future_status::ready) {
        Backend().WarmUp();
    } else {
        m_warmUp = true;
    }
}

bool MciInterpreter::IsOpen(const QString& alias) const
{
    return m_devices.contains(Key(alias));
}

int MciInterpreter::SendString(const QString& command)
{
    const MciParseResult parsed = ParseMciCommand(command);
    return parsed.ok() ? Execute(parsed.command) : Unrecognized;
}

int MciInterpreter::Execute(const MciCommand& c)
{
    const QString key = Key(c.alias);
    if (c.verb == MciVerb::Open) {
        if (m_devices.contains(key))
            return AliasInUse;
        if (!QFileInfo(c.path).isFile())
            return FileNotFound;
        const MixerBackend::Voice voice = Backend().OpenFile(c.path);
        if (voice == MixerBackend::kNoVoice)
            return CannotDecode;
        m_devices.insert(key, voice);
        return Ok;
    }

    const auto it = m_devices.constFind(key);
    if (it == m_devices.cend())
        return UnknownAlias;
    const MixerBackend::Voice voice = *it;
    MixerBackend& b = Backend();
    switch (c.verb) {
    case MciVerb::Play:
        // Without "from 0" a sound already under way goes on.
        if (c.fromStart || !b.IsPlaying(voice))
            b.Play(voice);
        if (c.wait) {
            // Events run during the wait; should one close the alias (the
            // program ending), the wait ends with it.
            ltm4::WaitUntil([this, &b, key, voice] {
                return m_devices.value(key, MixerBackend::kNoVoice) != voice || !b.IsPlaying(voice);
            });
        }
        return Ok;
    case MciVerb::Stop:
        b.Stop(voice);
        return Ok;
    case MciVerb::Close:
        b.Close(voice);
        m_devices.erase(it);
        return Ok;
    case MciVerb::Open:
        break;
    }
    return Unrecognized;
}

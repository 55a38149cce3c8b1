// SPDX-License-Identifier: GPL-3.0-or-later
// Fuzz target for the sound command strings and their interpreter. Each line
// of the input is one command: it either reads as a command whose values,
// written out again, read back the same, or is refused; and any sequence of
// them leaves the interpreter's devices consistent with what was opened.

#include "companion/SysWait.h"
#include "fuzz/FuzzCheck.h"
#include "sound/MciInterpreter.h"

#include <QSet>

#include <cstdint>

namespace {

// A mixer that opens anything and plays nothing, so every verb is exercised.
class CountingMixer final : public MixerBackend {
public:
    QString DriverName() const override { return QStringLiteral("fuzz"); }
    Format OutputFormat() const override { return {48000, 2, 512}; }
    Voice OpenFile(const QString&) override
    {
        open.insert(next);
        return next++;
    }
    void Play(Voice v) override { Require(open.contains(v)); }
    void Stop(Voice v) override { Require(open.contains(v)); }
    bool IsPlaying(Voice v) const override
    {
        Require(open.contains(v));
        return false;
    }
    void Close(Voice v) override { Require(open.remove(v)); }
    void SetPostMixTap(PostMixTap) override {}

    QSet<Voice> open;
    Voice next = 0;
};

QString Written(const MciCommand& c)
{
    static const char* const kVerbs[] = {"open", "play", "stop", "close"};
    static const char* const kTypes[] = {"waveaudio", "mpegvideo", "sequencer"};
    QString s = QLatin1String(kVerbs[int(c.verb)]) + u' ';
    if (c.verb == MciVerb::Open)
        s += u'"' + c.path + QStringLiteral("\" type ") + QLatin1String(kTypes[int(c.type)]) +
             QStringLiteral(" alias ");
    s += c.alias;
    if (c.fromStart)
        s += QStringLiteral(" from 0");
    if (c.wait)
        s += QStringLiteral(" wait");
    return s;
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    static const auto instantWaits = ltm4::SetWaitOverride([](int) {});
    const QString text = QString::fromUtf8(reinterpret_cast<const char*>(data), qsizetype(size));
    auto mixer = std::make_unique<CountingMixer>();
    CountingMixer* seen = mixer.get();
    {
        MciInterpreter mci(std::move(mixer));
        for (const QString& line : text.split(u'\n')) {
            const MciParseResult parsed = ParseMciCommand(line);
            if (parsed.ok()) {
                const MciParseResult again = ParseMciCommand(Written(parsed.command));
                Require(again.ok());
                const MciCommand& a = parsed.command;
                const MciCommand& b = again.command;
                Require(a.verb == b.verb && a.alias == b.alias && a.wait == b.wait &&
                        a.fromStart == b.fromStart);
                if (a.verb == MciVerb::Open)
                    Require(a.path == b.path && a.type == b.type);
            }
            const int result = mci.SendString(line);
            Require(parsed.ok() || result == MciInterpreter::Unrecognized);
            if (parsed.ok() && parsed.command.verb == MciVerb::Close &&
                result == MciInterpreter::Ok)
                Require(!mci.IsOpen(parsed.command.alias));
        }
        Require(seen->open.size() <= seen->next);
    }
    return 0;
}

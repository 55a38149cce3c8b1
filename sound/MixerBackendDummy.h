// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

// The mixer for a machine where no audio library works: nothing can be
// opened, so every sound is silently skipped.

#include "sound/MixerBackend.h"

class MixerBackendDummy final : public MixerBackend {
public:
    QString DriverName() const override { return QStringLiteral("none"); }
    Format OutputFormat() const override { return {}; }
    Voice OpenFile(const QString&) override { return kNoVoice; }
    void Play(Voice) override {}
    void Stop(Voice) override {}
    bool IsPlaying(Voice) const override { return false; }
    void Close(Voice) override {}
    void SetPostMixTap(PostMixTap) override {}
};

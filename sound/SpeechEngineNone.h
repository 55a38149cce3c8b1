// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

// The engine of a machine where no speech works: it speaks nothing, and says
// so, so that the announcement group reads "音合使用不可".

#include "sound/SpeechEngine.h"

class SpeechEngineNone final : public SpeechEngine {
public:
    QString Name() const override { return QStringLiteral("none"); }
    bool Available() const override { return false; }
    void SetVoiceSettings(const VoiceSettings&) override {}
    void Speak(const QString&) override {}
    void Stop() override {}
    qint32 Status() const override { return kIdle; }
};

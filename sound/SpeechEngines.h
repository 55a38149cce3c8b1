// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

// Picks the speech engine that works: the one the voice settings name if it
// does, else Open JTalk, else espeak-ng with MeCab, else the engine that
// speaks nothing.

#include "sound/SpeechEngine.h"
#include "sound/SpeechEngineSynth.h"

#include <QList>

#include <memory>

namespace SpeechEngines {

std::unique_ptr<SpeechEngine> Create(const VoiceSettings& settings,
                                     SpeechEngineSynth::MixerSource mixer);

// The engines that work on this machine, best first, with their voices.
QList<SpeechEngineInfo> Available();

} // namespace SpeechEngines

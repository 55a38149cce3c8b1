// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

// Wave files synthesised from struck tones: the chimes the demo ships with
// (made here, so they are ours to give away) and test sounds. Pure functions.

#include <QByteArray>

#include <span>

struct StruckTone {
    double startSec = 0;
    double frequencyHz = 0;
    double decaySec = 0.3;  // time for the tone to fall to 1/e
    double amplitude = 0.5; // of full scale, before the partials are added
};

// 16-bit mono PCM RIFF/WAVE of lengthSec seconds with the tones mixed in,
// each a few bell-like partials with a short attack and exponential decay.
// The sum is scaled down should it reach full scale.
QByteArray ToneWav(std::span<const StruckTone> tones, double lengthSec, int rate = 48000);

// The demo's route-set chime: two tones falling a major third (E5, C5).
QByteArray RouteSetChimeWav();
// The demo's step sound: one short high tone (A6), clear of the chime's partials.
QByteArray StepChimeWav();

// The demo's chime before an announcement: two tones rising a fourth (A5, D6).
QByteArray PreAnnounceChimeWav();

// The demo's stop-request chime: a quick "ping-pong" falling a fourth (D#6,
// A#5), on tones that are no partial of the other sounds, so that whoever
// listens for it does not hear it in them.
QByteArray StopRequestChimeWav();

// Frequencies of the demo's sounds, for those who listen for them.
inline constexpr double kChimeHighHz = 659.26;
inline constexpr double kChimeLowHz = 523.25;
inline constexpr double kStepHz = 1760.0;
inline constexpr double kPreLowHz = 880.0;
inline constexpr double kPreHighHz = 1174.66;
inline constexpr double kStopHighHz = 1244.51;
inline constexpr double kStopLowHz = 932.33;

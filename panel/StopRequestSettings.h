// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

// The stop request's own settings: the chime it plays and whether the board
// shows its lamp. Kept in stop-request.ini in the user's config folder, never
// in the .in4, whose format stays as it is.
//
//   [stopRequest]
//   chime=/path/to/chime.wav   (empty: no chime; missing key: the demo's)
//   lampShown=true

#include <QString>

// The channel the chime plays on, one of its own: a request never cuts a
// step sound, a chime before an announcement or the announcement itself.
inline constexpr char kStopRequestChannel[] = "S5";
// The demo's chime, made by soundgen beside the demo's other sounds.
inline constexpr char kDemoStopRequestSound[] = "stop-request.wav";

struct StopRequestSettings {
    QString chime;
    bool lampShown = true;

    // stop-request.ini in the user's config folder; empty when there is none.
    static QString DefaultFile();
    // The demo's chime, for a program started in the demo data folder or
    // installed with it (programDir/../share/rutomia).
    static QString DemoChime(const QString& programDir);
    // Missing file or key: the defaults (the demo chime given, the lamp shown).
    static StopRequestSettings Load(const QString& file, const QString& demoChime);
    bool Save(const QString& file) const;

    bool operator==(const StopRequestSettings&) const = default;
};

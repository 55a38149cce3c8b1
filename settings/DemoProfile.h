// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

// The settings the demo starts with, so that a newcomer's first `make run`
// sounds the chimes without any set-up. Written as the settings file only
// where none exists yet; the user's own settings are never replaced.
//
// To add a setting to the demo, set its field in ApplyDemoProfile. The file
// holds the options dialog's settings (fields up to FixedDate); the control
// panel's state and the windows' positions are left out, so the first start
// places the windows as it does without settings.

#include "settings/SettingsRecord.h"

#include <QByteArray>
#include <QString>

// Folder of the demo's sounds, relative to the demo data folder the program
// starts in.
inline constexpr char kDemoSoundFolder[] = "sounds";
inline constexpr char kDemoRouteSetSound[] = "route-set.wav";
inline constexpr char kDemoStepSound[] = "step.wav";
// The sample ticket plugin, relative to the demo data folder.
inline constexpr char kDemoPlugin[] = "plugins/horote.4SP";
inline constexpr char kDemoPreSound[] = "pre.wav";
// The announcement lists lie beside the fare data, in the folder the demo
// starts in.
inline constexpr char kDemoTapeDataDir[] = ".";

// Sets the demo's values on top of rec (the windows' initial values).
void ApplyDemoProfile(SettingsRecord& rec);

// Number of the last field the profile file holds.
int DemoProfileLastField();

// The profile file: base with the demo's values, cut after
// DemoProfileLastField. Empty when base cannot be encoded. With a data
// folder, the paths are anchored in it (AnchorDemoProfile).
QByteArray EncodeDemoProfile(const SettingsRecord& base, const QString& dataFolder = {});

// For a demo data folder that is not the working folder (an installed
// program): every relative path of rec becomes absolute within dataFolder,
// and a data folder left empty ("the working folder") becomes dataFolder.
void AnchorDemoProfile(SettingsRecord& rec, const QString& dataFolder);

// The demo data folder an installed program carries, found from the folder
// the program runs from (programDir/../share/rutomia for an installation
// under /usr); empty when there is none, as in the build tree.
QString InstalledDemoFolder(const QString& programDir);

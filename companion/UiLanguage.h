// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

// The program speaks Japanese throughout, whatever the system's locale:
// Qt's own buttons, file, colour and date dialogs included.

namespace ltm4 {

// Loads Qt's Japanese translation into the running application and makes
// Japanese the default locale (month and day names, number formats). Call
// once after the application object exists. False when Qt's translation is
// not installed; the locale is set all the same.
bool SpeakJapanese();

} // namespace ltm4

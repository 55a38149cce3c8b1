// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

// The media command strings the sound module sends, read back into values.
// Exactly the forms the module builds are understood, with keywords in any
// letter case as the command language allows:
//
//   open "<path>" type waveaudio|mpegvideo|sequencer alias <alias> [wait]
//   play <alias> [from 0] [wait]
//   stop <alias> [wait]
//   close <alias> [wait]
//
// The path may be given without quotes when it has no blanks. Within quotes it
// runs to the last quote that is followed by the type word (else to the last
// quote of the command), so a file name that itself holds a quote still reads
// whole, and so does an alias holding one. Pure functions over text.

#include <QString>
#include <QStringView>

enum class MciVerb { Open, Play, Stop, Close };

enum class MciDeviceType { WaveAudio, MpegVideo, Sequencer };

enum class MciParseError {
    None,
    Empty,
    UnknownVerb,
    MissingPath,       // open without a file name
    UnterminatedQuote, // open "... without its closing quote
    MissingType,       // open without "type <device>"
    UnknownType,       // a device type other than the three
    MissingAlias,
    UnknownKeyword, // a word the verb does not take, or one given twice
    BadPosition,    // "from" with anything but 0
};

struct MciCommand {
    MciVerb verb = MciVerb::Close;
    QString alias;
    QString path;                                  // open only
    MciDeviceType type = MciDeviceType::WaveAudio; // open only
    bool wait = false;
    bool fromStart = false; // play only: "from 0"
};

struct MciParseResult {
    MciCommand command;
    MciParseError error = MciParseError::None;

    bool ok() const { return error == MciParseError::None; }
};

MciParseResult ParseMciCommand(QStringView text);

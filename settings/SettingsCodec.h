// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

// The settings file (<name>.in4): SettingsRecord in a fixed binary layout,
// little-endian without padding, texts as a 16-bit byte count followed by CP932
// bytes. Pure functions over bytes; opening, writing and messages are the
// loader's business.
//
// Fields are numbered from 1 in file order: 1..70 the fields of items DataDir to
// Form, 71..87 CustColors(0..16), 88 the DegitCount word, then for k = 1..50 the
// triple Shift, ZeroMode, FillZero of DegitSet(k).

#include "settings/SettingsRecord.h"

#include <QByteArray>
#include <QString>

inline constexpr int kSettingsFieldCount = 238;
// Size of a file whose texts are all empty; every text adds its byte count.
inline constexpr qsizetype kSettingsEmptyTextsSize = 538;
// The file always holds this many DegitSet entries, whatever its count word says.
inline constexpr qint16 kSettingsDegitEntries = 50;
// A text's count is 16 bits wide.
inline constexpr qsizetype kSettingsMaxTextBytes = 0xFFFF;

enum class SettingsEncodeError {
    None,
    TextTooLong, // a text needs more than kSettingsMaxTextBytes CP932 bytes
};

struct SettingsEncodeResult {
    QByteArray bytes; // the whole file; empty unless ok()
    SettingsEncodeError error = SettingsEncodeError::None;
    int errorField = 0; // field number of the text that failed
    // A character CP932 cannot hold was stored as "?". The file is still
    // usable, but the user should hear about it once.
    bool lossy = false;
    int firstLossyField = 0;

    bool ok() const { return error == SettingsEncodeError::None; }
};

struct SettingsDecodeResult {
    // Fields 1..fieldsRead were decoded into the record; the rest kept the
    // values the record had on entry.
    int fieldsRead = 0;
    // Offset of the first field not read: the bytes the complete fields took.
    qsizetype bytesRead = 0;
    // Bytes after the last field; ignored, as an older reader would.
    qsizetype trailingBytes = 0;

    bool complete() const { return fieldsRead == kSettingsFieldCount; }
    // Cut short inside an item: damaged, not merely written by a release that
    // knew fewer items (which always ended its file after a whole item).
    bool damaged() const;
};

// The file image of rec. DegitCount is written as 50 whatever rec holds;
// DegitSet entries 1..50 are written, entry 0 is not part of the file.
SettingsEncodeResult EncodeSettings(const SettingsRecord& rec);

// Reads the fields of bytes into rec in file order and stops at the first one
// the bytes do not fully hold. The DegitCount word is read and left unused:
// exactly 50 entries follow it, and rec.DegitCount is not touched.
SettingsDecodeResult DecodeSettings(const QByteArray& bytes, SettingsRecord& rec);

// Name of a field for messages: "FareDataDir", "SeiriNumColor(1)",
// "StepSoundFlag(3)", "CustColors(16)", "DegitSet(7).ZeroMode". Empty for a
// number outside 1..kSettingsFieldCount.
QString SettingsFieldName(int field);
// The number of the field SettingsFieldName calls name; 0 for no such field.
int SettingsFieldNumber(QStringView name);

// <folder>/<base name>.in4. A folder that already ends in a separator ("/", or
// "\" as a drive root is written on Windows) gets no second one; an empty
// folder gives the bare name.
QString SettingsFileName(const QString& folder, const QString& baseName);

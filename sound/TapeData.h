// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

// The announcement list <route>tp.csv: one entry a line, three fields
//   text,step flag,chime flag
// The text may be in double quotes, which are removed; a quoted text may hold
// commas (there is no escape for a quote inside it). The flags are decimal
// whole numbers -32768..32767. Lines end in CR LF or LF; a final line break
// adds no entry. The bytes are CP932, or UTF-8 when the whole file is valid
// UTF-8 (Japanese CP932 text practically never is); bytes that are neither
// refuse the file, as they do for every text file the program reads.
//
// The list is all or nothing: one line that is not a text and two numbers,
// or a file without lines, refuses the whole file.

#include <QByteArray>
#include <QByteArrayView>
#include <QList>
#include <QString>

struct TapeEntry {
    QString TapeText;
    qint16 TapeStepFlag = 0;
    qint16 TapePreFlag = 0;
};

struct TapeParseResult {
    QList<TapeEntry> entries;
    int errorLine = 0; // 1-based; 0 when the whole file is at fault or all is well
    QString error;     // empty when the list was read
    bool ok() const { return error.isEmpty(); }
};

// Files beyond this are not announcement lists; lines beyond the cap neither.
inline constexpr qsizetype kTapeMaxFileBytes = 16 * 1024 * 1024;
inline constexpr int kTapeMaxEntries = 100000;

TapeParseResult ParseTapeCsv(QByteArrayView bytes);

// UTF-8 when the bytes are valid UTF-8 (a leading BOM dropped), else CP932;
// empty when they are neither (ltm4::DecodeUtf8OrCp932).
QString DecodeTextFile(QByteArrayView bytes);

// The announcement list in the file at path, read only when it is a regular
// file (a pipe by its name cannot hold the program) and within the size cap.
TapeParseResult ReadTapeFile(const QString& path);

// The announcement list of a route: folder (with its separator, or empty for
// the working folder) + route key + "tp.csv", or the same with "Tp.csv".
// Empty when neither exists as a file.
QString FindTapeFile(const QString& folder, const QString& routeKey);

// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

// Fare data files (<route>.hy3) and the fare table they fill.
//
// File layout, little-endian without padding: a signed 16-bit record count,
// then the records one after another, each 304 + L bytes: L (unsigned 16-bit),
// L bytes of CP932 stop name, the signed 16-bit ticket number, 150 signed
// 16-bit fares. Nothing after the last record is read.
//
// Pure functions over bytes and texts; opening files and messages are the
// control panel's business.

#include <QByteArray>
#include <QList>
#include <QString>
#include <QStringView>

#include <array>
#include <optional>

inline constexpr int kFareColumns = 150;      // Fare[1..150]
inline constexpr int kFareTableRows = 301;    // rows 1..301
inline constexpr int kFareMaxSection = 300;   // the starting row is never the last one
inline constexpr int kFareTableColumns = 152; // 1 name, 2 ticket number, 3..152 fares
inline constexpr qsizetype kFareRecordFixedBytes = 304;
inline constexpr qsizetype kFareNameMaxBytes = 0xFFFF;
// The largest file that can be fare data: 301 records with the longest names.
inline constexpr qint64 kFareFileMaxBytes =
    2 + qint64(kFareTableRows) * (kFareRecordFixedBytes + kFareNameMaxBytes);

struct StopRecord {
    QString StopName;
    qint16 SeiriNo = 0;
    std::array<qint16, kFareColumns + 1> Fare{}; // Fare[1..150]; Fare[0] is unused and stays 0

    friend bool operator==(const StopRecord&, const StopRecord&) = default;
};

// The route's stops and fares, rows 1..301. A fixed table: it never grows.
class FareTable final {
public:
    static constexpr bool IsRow(int row) { return row >= 1 && row <= kFareTableRows; }

    // Every row to an empty name and zero values.
    void Clear();

    // Clears the table, then fills row r from records[r - 1]. False when there
    // are more records than rows (rows 1..301 are filled by then); callers that
    // must not touch the table on failure check the count first, as
    // ParseFareFile does.
    bool Fill(const QList<StopRecord>& records);

    // nullptr for a row outside 1..301.
    const StopRecord* Row(int row) const { return IsRow(row) ? &m_rows[size_t(row)] : nullptr; }

    // Fare[k] of a row; nothing when the row or k (1..150) is out of range, so
    // that an index from a damaged settings file can be skipped.
    std::optional<qint16> Fare(int row, int k) const;

private:
    std::array<StopRecord, kFareTableRows + 1> m_rows{}; // index 0 unused
};

enum class FareFileError {
    None,
    // The declared count cannot match the file's length: negative, or above
    // what the table holds with too few bytes behind it (a text file renamed,
    // say). Nothing was read.
    NotFareData,
    // More than the table holds, all present; nothing was read.
    TooManyRecords,
    // The file ends inside its records (cut short, or a name length running
    // past the end). Refused whole: a route of blank stops is no route.
    Truncated,
};

struct FareFileResult {
    // The count as the file declares it (0 when the file is too short to hold one).
    qint16 count = 0;
    // count records when ok(); empty otherwise.
    QList<StopRecord> records;
    // Whole records the file holds, up to the count.
    int recordsRead = 0;
    // Bytes after the last declared record; never read.
    qsizetype trailingBytes = 0;
    FareFileError error = FareFileError::None;

    bool ok() const { return error == FareFileError::None; }
};

// Reads a whole fare data file. Never reads past the end of bytes and never
// builds more than 301 records whatever the count says.
FareFileResult ParseFareFile(const QByteArray& bytes);

// What is wrong with a file that was refused, naming it, for the failure
// message (empty when nothing is).
QString FareFileErrorText(const FareFileResult& result, const QString& fileName);

enum class FareEncodeError {
    None,
    TooManyRecords, // more than 301 records
    NameTooLong,    // a name needs more than 65535 CP932 bytes
};

struct FareEncodeResult {
    QByteArray bytes; // the whole file; empty unless ok()
    FareEncodeError error = FareEncodeError::None;
    int errorRecord = 0; // 1-based record of the name that failed
    // A character CP932 cannot hold was written as "?"; the first such record.
    bool lossy = false;
    int firstLossyRecord = 0;

    bool ok() const { return error == FareEncodeError::None; }
};

// The file image of records (Fare[0] is not part of the file).
FareEncodeResult EncodeFareFile(const QList<StopRecord>& records);

// Route set's refusals, decided from the count before the records matter.
enum class RouteSetCheck {
    Ok,
    NoRecords,         // count 0
    SectionBeyondData, // count - 1 < section, which any negative count is too
};

RouteSetCheck CheckSection(qint16 count, qint16 sectionNo);

// The message a refusal shows (empty for Ok).
QString RouteSetCheckText(RouteSetCheck check);

// The numeric value of a text: its leading decimal number after any leading
// blanks, 0 when there is none. Digit runs beyond the int range saturate.
int LeadingNumber(QStringView text);

// Section as entered to starting row: below 1 becomes 1, above 300 becomes 300.
qint16 ClampSection(int section);

// The route number's numeric value in decimal without leading zeros: "00012"
// gives "12", "" gives "0". Exact for any length of digits.
QString RouteKey(QStringView routeNo);

// A folder text that is neither empty nor ends in "/" or "\" gets "/"; an empty
// one stays empty so that the name is relative to the current directory.
QString WithTrailingSeparator(const QString& folder);

// <folder>/<route key>.hy3
QString FareFileName(const QString& folder, const QString& routeNo);

// SPDX-License-Identifier: GPL-3.0-or-later
// Fuzz target for what "hy3tool gtfs export" writes: a feed (a .zip when the
// input starts with "PK", else its tables separated by NUL bytes in
// GtfsTableNames() order) is exported trip by trip, and the files it would
// write are read back by the program's own readers. Whatever the feed's names
// hold (quotes, commas, "%1"), a trip that exports must give fare data, an
// announcement list and a reading list that the program accepts whole and
// that say what the export meant. A part after the tables is a reading list
// the user already has: merged with the export's, every one of its readings
// must stay as the program read it, and every written form of the export
// must be read.

#include "fuzz/FuzzCheck.h"
#include "panel/FareData.h"
#include "sound/ReadingList.h"
#include "sound/TapeData.h"
#include "tools/GtfsExport.h"
#include "tools/GtfsFeed.h"
#include "tools/GtfsSource.h"

#include <QHash>

#include <cstdint>
#include <optional>

namespace {

constexpr int kTripsTried = 4;

void CheckMerged(const GtfsExport& e, const QByteArray& existing)
{
    const YomiMerge m = MergeYomiCsv(existing, e.readings, QStringLiteral("%1"));
    // Lists kept whole: a range-for over a temporary's member would outlive it.
    const ReadingList old = ReadingList::Parse(existing);
    const ReadingList merged = ReadingList::Parse(m.bytes);
    QHash<QString, QString> before;
    for (const ReadingList::Entry& entry : old.Entries())
        before.insert(entry.written, entry.reading);
    QHash<QString, QString> after;
    for (const ReadingList::Entry& entry : merged.Entries())
        after.insert(entry.written, entry.reading);
    for (auto it = before.cbegin(); it != before.cend(); ++it)
        Require(after.value(it.key()) == it.value());
    for (const GtfsReading& r : e.readings)
        Require(after.contains(r.written));
    Require(m.added + m.kept <= e.readings.size());
    Require(m.added > 0 || m.bytes == existing);
}

void CheckWritten(const GtfsExport& e)
{
    const FareEncodeResult fares = EncodeFareFile(e.records);
    Require(fares.ok() && !fares.lossy);
    const FareFileResult hy3 = ParseFareFile(fares.bytes);
    Require(hy3.ok() && hy3.trailingBytes == 0 && hy3.records == e.records);

    // Every entry comes back with its text and flags: nothing a name holds
    // may split, merge or renumber the lines.
    const TapeParseResult tape = ParseTapeCsv(WriteTapeCsv(e.tape));
    Require(tape.ok() && tape.entries.size() == e.tape.size());
    for (qsizetype i = 0; i < tape.entries.size(); ++i) {
        Require(tape.entries[i].TapeText == e.tape[i].text);
        Require(tape.entries[i].TapeStepFlag == e.tape[i].stepFlag);
        Require(tape.entries[i].TapePreFlag == e.tape[i].preFlag);
    }

    int skipped = 0;
    const ReadingList readings =
        ReadingList::Parse(WriteYomiCsv(e.readings, QStringLiteral("%1")), &skipped);
    Require(skipped == 0 && readings.Entries().size() == e.readings.size());
    for (const GtfsReading& r : e.readings) {
        bool found = false;
        for (const ReadingList::Entry& entry : readings.Entries())
            found = found || (entry.written == r.written && entry.reading == r.reading);
        Require(found);
    }
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    const QByteArray bytes =
        QByteArray::fromRawData(reinterpret_cast<const char*>(data), qsizetype(size));
    const QStringList names = GtfsTableNames();
    GtfsFiles files;
    std::optional<QByteArray> existingReadings;
    if (bytes.startsWith("PK")) {
        GtfsLimits limits;
        limits.maxTableBytes = 1 << 20;
        limits.maxTotalBytes = 2 << 20;
        limits.maxEntries = 64;
        files = ReadGtfsZip(bytes, names, limits);
        if (!files.ok)
            return 0;
    } else {
        const QList<QByteArray> parts = bytes.split('\0');
        for (qsizetype i = 0; i < parts.size() && i < names.size(); ++i)
            files.tables.insert(names[i], parts[i]);
        if (parts.size() > names.size())
            existingReadings = parts[names.size()];
    }
    const GtfsFeedResult feed = LoadGtfsFeed(files);
    if (!feed.ok)
        return 0;
    int tried = 0;
    for (const GtfsTrip& trip : feed.feed.trips) {
        if (tried++ >= kTripsTried)
            break;
        const GtfsExport e = ExportGtfsTrip(feed.feed, trip.id);
        if (e.ok) {
            CheckWritten(e);
            if (existingReadings)
                CheckMerged(e, *existingReadings);
        }
    }
    return 0;
}

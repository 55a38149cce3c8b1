// SPDX-License-Identifier: GPL-3.0-or-later
// Fuzz target for reading GTFS feeds. The input is a .zip when it starts with
// "PK", else the tables one after another in GtfsTableNames() order,
// separated by NUL bytes (fewer parts leave the later tables out). Any bytes
// must either give an error that says what is wrong, or trips whose rows,
// announcements and readings keep the rules of the route data.

#include "fuzz/FuzzCheck.h"
#include "tools/FareCsv.h"
#include "tools/GtfsExport.h"
#include "tools/GtfsFeed.h"
#include "tools/GtfsSource.h"

#include "companion/LTM4Res.h"

#include <cstdint>

namespace {

constexpr int kTripsTried = 4;

void CheckExport(const GtfsExport& e)
{
    if (!e.ok) {
        Require(!e.error.message.isEmpty() && e.records.isEmpty() && e.tape.isEmpty());
        return;
    }
    const qsizetype n = e.records.size();
    Require(n >= 2 && n <= kGtfsMaxTickets);
    for (qsizetype j = 0; j < n; ++j) {
        const StopRecord& r = e.records[j];
        Require(r.SeiriNo == j + 1 && !r.StopName.isEmpty());
        for (int k = 1; k <= kFareColumns; ++k)
            Require(r.Fare[size_t(k)] >= 0 && (k <= j + 1 || r.Fare[size_t(k)] == 0));
    }
    const FareEncodeResult enc = EncodeFareFile(e.records);
    Require(enc.ok() && !enc.lossy);
    Require(ParseFareFile(enc.bytes).records == e.records);

    // One line per entry: the welcome, then a stepping entry per later stop.
    Require(e.tape.size() == n && e.tape[0].stepFlag == 0);
    for (qsizetype t = 1; t < n; ++t)
        Require(e.tape[t].stepFlag == 1 && e.tape[t].text.contains(QString(e.records[t].StopName).remove(u'"')));
    bool lossy = false;
    const QByteArray tape = WriteTapeCsv(e.tape);
    const QString tapeText = ltm4::FromCp932(tape);
    ltm4::ToCp932(tapeText, &lossy);
    Require(!lossy && tapeText.split(QStringLiteral("\r\n")).size() == n + 1);

    // The reading list reads back, through the CSV reader, to the same pairs.
    QList<GtfsReading> back;
    FareCsvError error;
    Require(SplitCsv(WriteYomiCsv(e.readings, QStringLiteral("fuzz")), true,
                     [&back](const QList<CsvField>& f) {
                         Require(f.size() == 2);
                         back << GtfsReading{f[0].text, f[1].text};
                         return true;
                     },
                     error));
    Require(back.size() == e.readings.size());
    for (qsizetype i = 0; i < back.size(); ++i)
        Require(back[i].written == e.readings[i].written &&
                back[i].reading == e.readings[i].reading);
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    const QByteArray bytes =
        QByteArray::fromRawData(reinterpret_cast<const char*>(data), qsizetype(size));
    const QStringList names = GtfsTableNames();
    GtfsFiles files;
    if (bytes.startsWith("PK")) {
        GtfsLimits limits;
        limits.maxTableBytes = 1 << 20;
        limits.maxTotalBytes = 2 << 20;
        limits.maxEntries = 64;
        files = ReadGtfsZip(bytes, names, limits);
        if (!files.ok) {
            Require(!files.error.message.isEmpty());
            return 0;
        }
        for (const QByteArray& t : std::as_const(files.tables))
            Require(t.size() <= limits.maxTableBytes);
    } else {
        const QList<QByteArray> parts = bytes.split('\0');
        for (qsizetype i = 0; i < parts.size() && i < names.size(); ++i)
            files.tables.insert(names[i], parts[i]);
    }
    const GtfsFeedResult feed = LoadGtfsFeed(files);
    if (!feed.ok) {
        Require(!feed.error.message.isEmpty());
        return 0;
    }
    QHash<QString, GtfsTripSummary> summaries;
    GtfsError error;
    if (!SummariseGtfsTrips(feed.feed, summaries, error)) {
        Require(!error.message.isEmpty());
        return 0;
    }
    int tried = 0;
    for (const GtfsRouteTrips& r : ListGtfsRoutes(feed.feed, summaries)) {
        const QString picked = PickGtfsTrip(feed.feed, summaries, r.route.id, {}, error);
        Require(!picked.isEmpty() || !error.message.isEmpty());
        for (const GtfsTrip* t : r.trips)
            if (tried++ < kTripsTried)
                CheckExport(ExportGtfsTrip(feed.feed, t->id));
    }
    return 0;
}

// SPDX-License-Identifier: GPL-3.0-or-later
// Fuzz target for the fare data reader. Any bytes must read without going past
// the end or building more than the table holds, refuse a file cut inside its
// records, and leave records that write and read back alike.

#include "fuzz/FuzzCheck.h"
#include "panel/FareData.h"

#include <cstdint>

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    // Raw data, not a copy: an over-read lands outside the fuzzer's buffer
    // where the address sanitizer sees it.
    const QByteArray bytes =
        QByteArray::fromRawData(reinterpret_cast<const char*>(data), qsizetype(size));

    const FareFileResult res = ParseFareFile(bytes);
    Require(res.trailingBytes >= 0 && res.trailingBytes <= bytes.size());
    if (!res.ok()) {
        // Refused files build nothing, and say why by their count.
        Require(res.records.isEmpty());
        switch (res.error) {
        case FareFileError::NotFareData:
            Require(res.count < 0 || res.count > kFareTableRows);
            break;
        case FareFileError::TooManyRecords:
            Require(res.count > kFareTableRows);
            break;
        case FareFileError::Truncated:
            Require(res.count > 0 && res.count <= kFareTableRows && res.recordsRead < res.count);
            break;
        case FareFileError::None:
            break;
        }
        return 0;
    }
    Require(res.count >= 0 && res.count <= kFareTableRows);
    Require(res.records.size() == res.count && res.recordsRead == res.count);
    for (const StopRecord& rec : res.records)
        Require(rec.Fare[0] == 0);

    // Route set's decisions hold for any count.
    Require((CheckSection(res.count, 1) == RouteSetCheck::Ok) == (res.count >= 2));

    // The table takes every row of a file that read.
    FareTable table;
    Require(table.Fill(res.records));
    for (qsizetype i = 0; i < res.records.size(); ++i)
        Require(*table.Row(int(i + 1)) == res.records[i]);

    // The records read whole, written out, read back as they were apart from
    // names, which settle after one pass through CP932.
    const QList<StopRecord>& read = res.records;
    const FareEncodeResult enc = EncodeFareFile(read);
    if (!enc.ok())
        return 0;
    const FareFileResult back = ParseFareFile(enc.bytes);
    Require(back.ok() && back.trailingBytes == 0);
    Require(back.recordsRead == read.size() && back.records.size() == read.size());
    for (qsizetype i = 0; i < read.size(); ++i) {
        Require(back.records[i].SeiriNo == read[i].SeiriNo);
        Require(back.records[i].Fare == read[i].Fare);
    }
    const FareEncodeResult again = EncodeFareFile(back.records);
    Require(again.ok() && !again.lossy);
    Require(ParseFareFile(again.bytes).records == back.records);
    return 0;
}

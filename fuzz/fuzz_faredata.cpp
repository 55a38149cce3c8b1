// SPDX-License-Identifier: GPL-3.0-or-later
// Fuzz target for the fare data reader. Any bytes must read without going past
// the end or building more than the table holds, give stand-in rows exactly
// where the file ran out, and leave records that write and read back alike.

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
        Require(res.error == FareFileError::TooManyRecords && res.count > kFareTableRows);
        Require(res.records.isEmpty() && res.recordsRead == 0);
        return 0;
    }
    Require(res.count <= kFareTableRows);
    Require(res.records.size() == qMax<qsizetype>(res.count, 0));
    Require(res.recordsRead >= 0 && res.recordsRead <= res.records.size());
    Require(res.truncated == (bytes.size() < 2 || res.recordsRead < res.count));
    for (qsizetype i = 0; i < res.records.size(); ++i) {
        Require(res.records[i].Fare[0] == 0);
        if (i >= res.recordsRead)
            Require(res.records[i] == StopRecord{});
    }

    // Route set's decisions hold for any count.
    Require((CheckSection(res.count, 1) == RouteSetCheck::Ok) == (res.count >= 2));

    // The table takes every row of a file that read.
    FareTable table;
    Require(table.Fill(res.records) == FareCellResult::Ok);
    for (qsizetype i = 0; i < res.records.size(); ++i)
        Require(*table.Row(int(i + 1)) == res.records[i]);

    // The records read whole, written out, read back as they were apart from
    // names, which settle after one pass through CP932.
    const QList<StopRecord> read = res.records.mid(0, res.recordsRead);
    const FareEncodeResult enc = EncodeFareFile(read);
    if (!enc.ok())
        return 0;
    const FareFileResult back = ParseFareFile(enc.bytes);
    Require(back.ok() && !back.truncated && back.trailingBytes == 0);
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

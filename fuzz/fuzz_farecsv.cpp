// SPDX-License-Identifier: GPL-3.0-or-later
// Fuzz target for hy3tool's CSV reader. Any bytes must either name the line
// and field of a fault or give stops that write out and read back alike.

#include "fuzz/FuzzCheck.h"
#include "tools/FareCsv.h"

#include <cstdint>

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    const QByteArray bytes =
        QByteArray::fromRawData(reinterpret_cast<const char*>(data), qsizetype(size));
    const FareCsvResult res = ParseFareCsv(bytes);
    if (!res.ok) {
        Require(res.error.line >= 0 && res.error.column >= 0);
        Require(!res.error.message.isEmpty());
        return 0;
    }
    for (const StopRecord& s : res.records)
        Require(s.Fare[0] == 0);
    const FareCsvResult again = ParseFareCsv(WriteFareCsv(res.records));
    Require(again.ok);
    Require(again.records == res.records);
    return 0;
}

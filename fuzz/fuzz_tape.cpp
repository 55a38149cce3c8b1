// SPDX-License-Identifier: GPL-3.0-or-later
// Fuzz target for the announcement list and the reading list. Any bytes must
// give either the whole list or a reason naming a line, and the readings of
// any list must apply to any text without growing it past its entries' worth.

#include "fuzz/FuzzCheck.h"
#include "sound/ReadingList.h"
#include "sound/TapeData.h"

#include <algorithm>
#include <cstdint>

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    const QByteArray bytes =
        QByteArray::fromRawData(reinterpret_cast<const char*>(data), qsizetype(size));
    const TapeParseResult tape = ParseTapeCsv(bytes);
    if (tape.ok()) {
        Require(!tape.entries.isEmpty());
        // Every entry is one line: never more entries than line breaks + 1.
        Require(tape.entries.size() <= bytes.count('\n') + 1);
    } else {
        Require(tape.entries.isEmpty());
        Require(tape.errorLine >= 0);
    }

    int skipped = 0;
    const ReadingList readings = ReadingList::Parse(bytes, &skipped);
    Require(skipped >= 0);
    qsizetype longest = 0;
    for (const ReadingList::Entry& e : readings.Entries()) {
        Require(!e.written.isEmpty() && !e.reading.isEmpty());
        longest = std::max(longest, e.reading.size());
    }
    const QString text = DecodeTextFile(bytes);
    Require(readings.Apply(text).size() <= text.size() * std::max<qsizetype>(1, longest));
    return 0;
}

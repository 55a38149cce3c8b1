// SPDX-License-Identifier: GPL-3.0-or-later
// Fuzz target for spreadsheet clipboard text, as the route editor pastes it.
// Any text must read in bounded time into rows that write out and read back
// alike; caps keep the cells in front and count the rest; a cell read as a
// number reads the same once written as one.

#include "fuzz/FuzzCheck.h"
#include "route/SheetText.h"

#include <cstdint>

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    const QString text = QString::fromUtf8(reinterpret_cast<const char*>(data), qsizetype(size));
    const SheetCells all = ParseSheetText(text);
    Require(all.rowsBeyond == 0 && all.columnsBeyond == 0);
    qsizetype widest = 0;
    for (const QStringList& row : all.rows) {
        Require(!row.isEmpty());
        widest = qMax(widest, row.size());
        for (const QString& cell : row)
            if (const std::optional<qint16> n = SheetNumber(cell))
                Require(SheetNumber(QString::number(*n)) == n);
    }
    Require(ParseSheetText(WriteSheetText(all.rows)).rows == all.rows);

    constexpr qsizetype kRows = 3;
    constexpr qsizetype kColumns = 2;
    const SheetCells capped = ParseSheetText(text, kRows, kColumns);
    Require(capped.rows.size() == qMin(all.rows.size(), kRows));
    Require(capped.rowsBeyond == all.rows.size() - capped.rows.size());
    Require(capped.columnsBeyond == qMax<qsizetype>(0, widest - kColumns));
    for (qsizetype r = 0; r < capped.rows.size(); ++r)
        Require(capped.rows[r] == all.rows[r].mid(0, kColumns));
    return 0;
}

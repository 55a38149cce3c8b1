// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

// Rectangles of cells as spreadsheets put them on the clipboard: cells
// separated by tabs, rows by line breaks (CR LF, LF or CR). A cell that
// begins with a double quote runs to the closing quote and may hold tabs,
// line breaks and "" for a quote (LibreOffice and Excel write cells that
// need it so). A line break after the last row ends it and starts no other.
// A quote that never closes is an ordinary character, and so is every quote
// after it.
//
// The editor's copy and paste go through these; RouteDocument pastes fares
// and stops from the cells.

#include <QList>
#include <QString>
#include <QStringList>
#include <QStringView>

#include <limits>
#include <optional>

struct SheetCells {
    QList<QStringList> rows;     // every row has at least one cell
    qsizetype rowsBeyond = 0;    // rows past maxRows: counted, not kept
    qsizetype columnsBeyond = 0; // the most cells a row had past maxColumns
};

// Time and memory linear in the text, whatever it holds.
SheetCells ParseSheetText(QStringView text,
                          qsizetype maxRows = std::numeric_limits<qsizetype>::max(),
                          qsizetype maxColumns = std::numeric_limits<qsizetype>::max());

// The text ParseSheetText reads back as rows (an empty row as one empty
// cell): cells quoted where they must be, each row ended by LF.
QString WriteSheetText(const QList<QStringList>& rows);

// A cell as a whole number -32768..32767, as spreadsheets show amounts:
// blanks around it, full-width digits and signs, a yen sign before it or
// 円 after it, commas between groups of digits ("1,200"). Nothing for any
// other text, an empty cell included.
std::optional<qint16> SheetNumber(QStringView cell);

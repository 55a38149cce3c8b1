// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

// Ticket plugins (*.4SP): text files that describe what a ticket printer
// can do and how its ticket looks. No code is loaded; the host reads the
// description and draws it. The format is documented in docs/plugin-format.md.

#include "companion/PlgInfo.h"

#include <QByteArrayView>
#include <QList>
#include <QString>
#include <QStringList>

#include <optional>

namespace ltm4 {

// The values a ticket text can show.
enum class TicketField {
    Literal,
    StopName,
    Date, // as the board update passes it (mm-dd-yyyy or yyyy/mm/dd)
    Time, // hh:mm:ss
    Year,
    Month,
    Day,
    Era,     // 令和, 平成, 昭和
    EraYear, // year of the era
    Hour,
    Minute,
    Second,
    RouteNo,
    SeiriNo, // the ticket number
    Row,     // the stop's place on the route, from 1
    Company,
};

struct TicketTextPart {
    TicketField field = TicketField::Literal;
    QString literal; // for Literal
    int width = 0;   // numbers: at least this many digits, zero-padded
    friend bool operator==(const TicketTextPart&, const TicketTextPart&) = default;
};
using TicketText = QList<TicketTextPart>;

enum class TicketItemKind { Paper, Box, Line, Text, Barcode };
enum class TicketAlign { Left, Center, Right };
enum class TicketVAlign { Top, Middle, Bottom };
enum class TicketLineStyle { Solid, Dash, Dot };
enum class TicketBarcode { Code128, Itf, Codabar };

// One drawing step. Positions and sizes are pixels of the preview picture.
struct TicketItem {
    TicketItemKind kind = TicketItemKind::Paper;
    int x = 0, y = 0, w = 0, h = 0; // line: from (x, y) to (x2, y2)
    int x2 = 0, y2 = 0;
    quint32 color = 0xFF000000; // ARGB
    std::optional<quint32> fill;
    int pen = 1;
    int radius = 0;
    TicketLineStyle style = TicketLineStyle::Solid;
    QString face;
    int size = 12; // text height in pixels
    bool bold = false;
    int spacing = 0; // extra pixels between characters
    bool fit = true; // squeeze a text wider than its box
    TicketAlign align = TicketAlign::Left;
    TicketVAlign valign = TicketVAlign::Middle;
    TicketBarcode barcode = TicketBarcode::Code128;
    TicketText text;
    int line = 0; // where the file draws it, for messages about it
    friend bool operator==(const TicketItem&, const TicketItem&) = default;
};

struct SeiriPlugin {
    PlgInfo info;            // PlgHead carries the host's mark
    QString notes;           // lines joined by "\n"
    QStringList companies;   // the first is printed when none is chosen
    QList<TicketItem> items; // drawn in order
    bool utf8 = true;        // the file's encoding: UTF-8, else CP932
};

enum class SeiriPluginError {
    None,
    Unreadable,     // no such file, or it cannot be opened
    TooLarge,       // more bytes than kMaxFileBytes
    NotText,        // control bytes, or neither UTF-8 nor CP932
    NoHeader,       // the first line is not "4SP 1"
    UnknownVersion, // "4SP" with another version
    LineTooLong,
    BadSection, // unknown or repeated [section], or a line outside any
    BadLine,    // not "key = value", or a draw line that does not split
    UnknownKey,
    DuplicateKey,
    MissingValue, // a required key of a draw item, or the preview size
    BadNumber,    // not a decimal number, or out of its range
    BadColor,
    BadWord,           // a value outside its list (align, style, type...)
    BadText,           // a ticket text with a bad placeholder, or too long
    TooMany,           // items, companies or note lines beyond their caps
    BarcodeNotAllowed, // a barcode item while CanBarcode is not 1
    NoEnd,             // [end] missing: the file was cut short
    AfterEnd,          // something other than blank lines after [end]
    TooCostly,         // drawing it would take too long (TicketCost.h)
    BarcodeTooLong,    // a barcode value longer than its symbology carries
};

struct SeiriPluginResult {
    std::optional<SeiriPlugin> plugin;
    SeiriPluginError error = SeiriPluginError::None;
    int line = 0;   // 1-based line of the fault; 0 for the file as a whole
    QString detail; // the word at fault, when there is one
    bool ok() const { return plugin.has_value(); }
};

// Caps that keep a hostile file small in memory and quick to refuse. What
// its drawing may cost is capped too (TicketCost.h).
inline constexpr qsizetype kPluginMaxFileBytes = 64 * 1024;
inline constexpr qsizetype kPluginMaxLineChars = 1024;
inline constexpr qsizetype kPluginMaxItems = 256;
inline constexpr qsizetype kPluginMaxCompanies = 64;
inline constexpr qsizetype kPluginMaxNameChars = 64;
inline constexpr qsizetype kPluginMaxNoteLines = 64;
inline constexpr qsizetype kPluginMaxTextChars = 200;
inline constexpr qint32 kPluginMinPrevTwips = 15;
inline constexpr qint32 kPluginMaxPrevTwips = 15000;

// What a barcode's value may come to with its placeholders at their longest:
// Code 128 and ITF carry at most 80 characters (ITF counts the 0 that pads an
// odd digit count); Codabar has no limit of its own.
inline constexpr qsizetype kBarcodeMaxChars = 80;
std::optional<qsizetype> BarcodeMaxChars(TicketBarcode type);

// The symbology's name as a plugin writes it ("code128").
QString BarcodeTypeName(TicketBarcode type);

SeiriPluginResult ReadSeiriPlugin(QByteArrayView bytes);

// Reads the file at path, refusing one beyond the size cap unread.
SeiriPluginResult ReadSeiriPluginFile(const QString& path);

// The plugin at path, as the host uses it: nothing for an empty path or a
// file that is no plugin (each host call reads the file afresh).
std::optional<SeiriPlugin> LoadSeiriPlugin(const QString& path);

// A Japanese sentence for a refusal, with its line.
QString SeiriPluginErrorText(const SeiriPluginResult& result);

} // namespace ltm4

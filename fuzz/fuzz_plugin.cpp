// SPDX-License-Identifier: GPL-3.0-or-later
// Fuzz target for the ticket plugin reader. Any bytes must either be refused
// with a reason or give a description inside every cap, whose drawing is
// within its cost and whose texts fill in to no more characters than that
// cost counted on, even with the most extreme values.

#include "companion/SeiriPlugin.h"
#include "companion/SeiriTicket.h"
#include "companion/TicketCost.h"
#include "fuzz/FuzzCheck.h"

#include <cstdint>
#include <limits>

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    using namespace ltm4;
    const QByteArray bytes =
        QByteArray::fromRawData(reinterpret_cast<const char*>(data), qsizetype(size));
    const SeiriPluginResult res = ReadSeiriPlugin(bytes);
    if (!res.ok()) {
        Require(res.error != SeiriPluginError::None);
        // LF, CR LF and a lone CR each end a line.
        Require(res.line >= 0 && res.line <= bytes.count('\n') + bytes.count('\r') + 1);
        return 0;
    }
    Require(res.error == SeiriPluginError::None);
    Require(bytes.size() <= kPluginMaxFileBytes);
    const SeiriPlugin& p = *res.plugin;
    const PlgInfo& info = p.info;
    Require(info.PlgHead == PlgInfo::kHead);
    Require(info.PrevWidth >= kPluginMinPrevTwips && info.PrevWidth <= kPluginMaxPrevTwips);
    Require(info.PrevHeight >= kPluginMinPrevTwips && info.PrevHeight <= kPluginMaxPrevTwips);
    Require(PlgInfo::FromRecord(info.ToRecord()) == info);
    Require(p.items.size() <= kPluginMaxItems);
    Require(p.companies.size() <= kPluginMaxCompanies);
    for (const QString& c : p.companies)
        Require(!c.isEmpty() && c.size() <= kPluginMaxNameChars);
    Require(p.notes.count(u'\n') < kPluginMaxNoteLines);

    Require(TicketDrawCost(p) <= kTicketMaxDrawCost);

    // Values far longer than any the board passes.
    const TicketValues extreme{QString(70000, u'停'),
                               QStringLiteral("12-31-9999") + QString(100, u'9'),
                               QStringLiteral("23:59:59") + QString(100, u'9'),
                               std::numeric_limits<qint32>::min(),
                               std::numeric_limits<qint16>::min(),
                               -1,
                               32767};
    for (const TicketItem& item : p.items) {
        Require(item.w >= 0 && item.h >= 0 && item.pen >= 0 && item.size >= 1);
        if (item.kind == TicketItemKind::Barcode)
            Require(info.CanBarcode == 1 && !item.text.isEmpty());
        const QString text = ExpandTicketText(item.text, extreme, p.companies);
        Require(text.size() <= TicketTextMaxChars(item.text, p.companies));
        if (item.kind != TicketItemKind::Barcode)
            continue;
        // A barcode read in is never too long for its symbology, whatever
        // the values (ITF counts digits: a sign it cannot carry anyway).
        const QString bars =
            ExpandTicketText(item.text, extreme, p.companies, TicketTextUse::Barcode);
        if (item.barcode == TicketBarcode::Code128)
            Require(bars.size() <= kBarcodeMaxChars);
        if (item.barcode == TicketBarcode::Itf)
            Require(bars.size() - bars.count(u'-') <= kBarcodeMaxChars);
    }
    return 0;
}

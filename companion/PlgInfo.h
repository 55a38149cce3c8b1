// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

// What a ticket plugin can print: fourteen signed 32-bit fields, exchanged as
// a 56-byte little-endian record. In the flag fields only 1 means yes;
// CorpSwitch means yes from 1 upward.

#include <QByteArray>
#include <QByteArrayView>

#include <optional>

namespace ltm4 {

struct PlgInfo {
    static constexpr qsizetype kRecordBytes = 56;
    // The host's mark in PlgHead: "4SP" and the format version, read as one
    // little-endian number.
    static constexpr qint32 kHead = 0x01505334;

    qint32 PlgHead = 0;
    qint32 PrevWidth = 0;  // preview picture, twips
    qint32 PrevHeight = 0; // twips
    qint32 CanDate = 0;
    qint32 CanTime = 0;
    qint32 CanRouteNo = 0;
    qint32 CanStopName = 0;
    qint32 CanBarcode = 0;
    qint32 BarcodeCount = 0;
    qint32 RouteMax = 0;
    qint32 BarcodeRouteMode = 0; // 1 serial numbering, else route number + 往復 flag
    qint32 StopRangeFrom = 0;
    qint32 StopRangeTo = 0;
    qint32 CorpSwitch = 0;

    QByteArray ToRecord() const;
    // Empty unless the record is exactly 56 bytes.
    static std::optional<PlgInfo> FromRecord(QByteArrayView record);

    friend bool operator==(const PlgInfo&, const PlgInfo&) = default;
};

} // namespace ltm4

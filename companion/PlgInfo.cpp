// SPDX-License-Identifier: GPL-3.0-or-later
#include "companion/PlgInfo.h"

#include <QtEndian>

#include <array>

namespace ltm4 {

namespace {

// The fields in record order.
constexpr std::array kFields = {
    &PlgInfo::PlgHead,     &PlgInfo::PrevWidth,        &PlgInfo::PrevHeight,
    &PlgInfo::CanDate,     &PlgInfo::CanTime,          &PlgInfo::CanRouteNo,
    &PlgInfo::CanStopName, &PlgInfo::CanBarcode,       &PlgInfo::BarcodeCount,
    &PlgInfo::RouteMax,    &PlgInfo::BarcodeRouteMode, &PlgInfo::StopRangeFrom,
    &PlgInfo::StopRangeTo, &PlgInfo::CorpSwitch,
};
static_assert(kFields.size() * 4 == PlgInfo::kRecordBytes);

} // namespace

QByteArray PlgInfo::ToRecord() const
{
    QByteArray out(kRecordBytes, '\0');
    for (std::size_t i = 0; i < kFields.size(); ++i)
        qToLittleEndian<qint32>(this->*kFields[i], out.data() + 4 * i);
    return out;
}

std::optional<PlgInfo> PlgInfo::FromRecord(QByteArrayView record)
{
    if (record.size() != kRecordBytes)
        return std::nullopt;
    PlgInfo info;
    for (std::size_t i = 0; i < kFields.size(); ++i)
        info.*kFields[i] = qFromLittleEndian<qint32>(record.data() + 4 * i);
    return info;
}

} // namespace ltm4

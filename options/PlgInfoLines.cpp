// SPDX-License-Identifier: GPL-3.0-or-later
#include "options/PlgInfoLines.h"

namespace {

QString yesNo(bool yes)
{
    return yes ? QStringLiteral("---> 可能") : QStringLiteral("---> 不可");
}

} // namespace

QStringList PlgInfoLines(const ltm4::PlgInfo& info)
{
    QStringList lines{
        QStringLiteral("日付の印字 ") + yesNo(info.CanDate == 1),
        QStringLiteral("時刻の印字 ") + yesNo(info.CanTime == 1),
        QStringLiteral("系統番号の印字 ") + yesNo(info.CanRouteNo == 1),
        QStringLiteral("停名の印字 ") + yesNo(info.CanStopName == 1),
        QStringLiteral("バーコード印字 ") + yesNo(info.CanBarcode == 1),
    };
    if (info.CanBarcode == 1) {
        lines << QStringLiteral("バーコード本数 ---> ") + QString::number(info.BarcodeCount);
        lines << QStringLiteral("バーコード系統方式 ") +
                     (info.BarcodeRouteMode == 1 ? QStringLiteral("---> 連番式")
                                                 : QStringLiteral("---> 系統番号＋往復フラグ"));
        lines << QStringLiteral("設定可能な系統範囲 ---> 1 ～ ") + QString::number(info.RouteMax);
        lines << QStringLiteral("停留所認識範囲 ---> ") + QString::number(info.StopRangeFrom) +
                     QStringLiteral(" ～ ") + QString::number(info.StopRangeTo);
    }
    lines << QStringLiteral("社名切り替え:") + yesNo(info.CorpSwitch >= 1);
    return lines;
}

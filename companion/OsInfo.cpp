// SPDX-License-Identifier: GPL-3.0-or-later
#include "companion/LTM4Res.h"

#include <QSysInfo>

namespace ltm4 {

QString GetOsInfo()
{
    return QSysInfo::prettyProductName();
}

} // namespace ltm4

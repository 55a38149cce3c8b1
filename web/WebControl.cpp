// SPDX-License-Identifier: GPL-3.0-or-later
#include "web/WebControl.h"

#include <array>

namespace WebControls {

namespace {

struct Entry {
    const char* name;
    const char16_t* caption;
};

constexpr std::array<Entry, kCount> kEntries = {{
    {"0", u"0"},
    {"1", u"1"},
    {"2", u"2"},
    {"3", u"3"},
    {"4", u"4"},
    {"5", u"5"},
    {"6", u"6"},
    {"7", u"7"},
    {"8", u"8"},
    {"9", u"9"},
    {"route", u"系統"},
    {"section", u"区間"},
    {"reset", u"リセット"},
    {"next", u"データ送り"},
    {"back", u"データ戻し"},
    {"clear", u"表示消去"},
    {"latenight", u"深夜料金"},
    {"tape-next", u"送り"},
    {"tape-back", u"戻し"},
    {"tape-stop", u"■"},
}};

} // namespace

QString Name(WebControl control)
{
    return QString::fromLatin1(kEntries[size_t(control)].name);
}

std::optional<WebControl> FromName(QStringView name)
{
    for (int i = 0; i < kCount; ++i)
        if (name == QLatin1StringView(kEntries[size_t(i)].name))
            return WebControl(i);
    return std::nullopt;
}

QString Caption(WebControl control)
{
    return QString::fromUtf16(kEntries[size_t(control)].caption);
}

bool IsSwitch(WebControl control)
{
    return control == WebControl::Clear || control == WebControl::LateNight;
}

} // namespace WebControls

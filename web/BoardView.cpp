// SPDX-License-Identifier: GPL-3.0-or-later
#include "web/BoardView.h"

#include <algorithm>

namespace {

constexpr QUrl::ComponentFormattingOption kDecoded = QUrl::FullyDecoded;

// The one value of a key; nullopt when absent, an error when repeated.
struct One {
    bool repeated = false;
    std::optional<QString> value;
};

One OneValue(const QUrlQuery& query, const QString& key)
{
    const QStringList all = query.allQueryItemValues(key, kDecoded);
    if (all.size() > 1)
        return {true, {}};
    if (all.isEmpty())
        return {};
    return {false, all.front()};
}

// ASCII only: QChar::isDigit() would take other scripts' digits too.
bool IsAsciiDigit(QChar c)
{
    return c >= u'0' && c <= u'9';
}

bool IsHex6(QStringView s)
{
    return s.size() == 6 && std::all_of(s.cbegin(), s.cend(), [](QChar c) {
               return IsAsciiDigit(c) || (c >= u'a' && c <= u'f');
           });
}

BoardViewResult Refused(const QString& error)
{
    BoardViewResult r;
    r.error = error;
    return r;
}

} // namespace

BoardViewResult ParseBoardView(const QUrlQuery& query)
{
    BoardView view;
    const One zoom = OneValue(query, QStringLiteral("zoom"));
    if (zoom.repeated)
        return Refused(QStringLiteral("zoom が二つ以上あります。"));
    if (zoom.value && !zoom.value->isEmpty() && *zoom.value != u"fit") {
        const QString& z = *zoom.value;
        // Digits only: no sign, no spaces, no "2.0".
        const bool digits = z.size() <= 2 && std::all_of(z.cbegin(), z.cend(), IsAsciiDigit);
        const int n = digits ? z.toInt() : 0;
        if (n < 1 || n > BoardView::kMaxZoom)
            return Refused(
                QStringLiteral("zoom は 1 から %1 までの整数です。").arg(BoardView::kMaxZoom));
        view.zoom = n;
    }
    const One bg = OneValue(query, QStringLiteral("bg"));
    if (bg.repeated)
        return Refused(QStringLiteral("bg が二つ以上あります。"));
    if (bg.value && !bg.value->isEmpty()) {
        const QString b = bg.value->toLower();
        if (b == u"transparent")
            view.background = QStringLiteral("transparent");
        else if (b == u"chroma" || b == u"green")
            view.background = QStringLiteral("#00ff00");
        else if (b == u"blue")
            view.background = QStringLiteral("#0000ff");
        else if (b == u"black")
            view.background = QStringLiteral("#000000");
        else if (const QStringView hex = QStringView(b).mid(b.startsWith(u'#') ? 1 : 0);
                 IsHex6(hex))
            view.background = u'#' + hex.toString();
        else
            return Refused(QStringLiteral(
                "bg は transparent、chroma、blue、black か 16 進 6 桁 (例 00ff00) です。"));
    }
    BoardViewResult r;
    r.view = view;
    return r;
}

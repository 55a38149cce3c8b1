// SPDX-License-Identifier: GPL-3.0-or-later
// Fuzz target for what the web server reads of a request itself, before and
// beyond Qt's HTTP server: the request head the gate scans, the access rules
// on its Host, Origin and token, the board page's options and a press's
// control, state and body. A complete head must lie within the bytes and
// read the same from exactly its own bytes; a board option must be one that
// may be written into a page; a press is a known control with a state
// exactly when it is a switch.

#include "fuzz/FuzzCheck.h"
#include "web/BoardView.h"
#include "web/RequestHead.h"
#include "web/WebAccess.h"
#include "web/WebPress.h"

#include <QUrlQuery>

#include <cstdint>

namespace {

constexpr qsizetype kHeadLimit = 8192;

bool IsHexColour(const QString& s)
{
    if (s.size() != 7 || s[0] != u'#')
        return false;
    for (qsizetype i = 1; i < s.size(); ++i)
        if (!((s[i] >= u'0' && s[i] <= u'9') || (s[i] >= u'a' && s[i] <= u'f')))
            return false;
    return true;
}

void CheckView(const QUrlQuery& query)
{
    const BoardViewResult r = ParseBoardView(query);
    if (!r.view) {
        Require(!r.error.isEmpty());
        return;
    }
    Require(r.view->zoom >= 0 && r.view->zoom <= BoardView::kMaxZoom);
    Require(r.view->background == u"transparent" || IsHexColour(r.view->background));
}

void CheckPress(QStringView control, const QUrlQuery& query, QByteArrayView body)
{
    const QStringList states =
        query.allQueryItemValues(QStringLiteral("state"), QUrl::FullyDecoded);
    const std::optional<QString> state =
        states.isEmpty() ? std::nullopt : std::optional<QString>(states.front());
    const WebPressResult r = ParsePress(control, state, body);
    if (!r.press) {
        Require(r.status == 400 || r.status == 404 || r.status == 413);
        Require(!r.error.isEmpty());
        return;
    }
    Require(body.size() <= kMaxPressBody);
    Require(WebControls::FromName(control) == r.press->control);
    Require(WebControls::Name(r.press->control) == control);
    if (!WebControls::IsSwitch(r.press->control))
        Require(!r.press->on);
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    const QByteArray bytes =
        QByteArray::fromRawData(reinterpret_cast<const char*>(data), qsizetype(size));
    const RequestHead head = ScanRequestHead(bytes, kHeadLimit);
    QByteArrayView body = bytes;
    QString control = QString::fromUtf8(bytes.left(24));
    QUrlQuery query;
    if (head.state == RequestHead::State::Complete) {
        Require(head.length >= 4 && head.length <= bytes.size() && head.length <= kHeadLimit);
        Require(QByteArrayView(bytes).first(head.length).endsWith("\r\n\r\n"));
        Require(head.target.startsWith('/') && head.contentLength >= 0);
        // What the gate checks is what its own bytes say, whatever follows.
        const RequestHead again =
            ScanRequestHead(QByteArrayView(bytes).first(head.length), kHeadLimit);
        Require(again.state == RequestHead::State::Complete && again.length == head.length &&
                again.target == head.target && again.host == head.host &&
                again.origin == head.origin && again.contentLength == head.contentLength &&
                again.upgrade == head.upgrade);
        const qsizetype q = head.target.indexOf('?');
        query = QUrlQuery(QString::fromLatin1(q < 0 ? QByteArray() : head.target.mid(q + 1)));
        const QByteArray path = q < 0 ? head.target : head.target.left(q);
        if (path.startsWith("/api/press/"))
            control = QString::fromUtf8(path.mid(11));
        body = QByteArrayView(bytes).sliced(head.length);
        const QList<QByteArray> names = {"127.0.0.1", "localhost", "192.168.1.20"};
        if (WebAccess::HostAllowed(head.host, names, 5170))
            Require(head.host.toLower().endsWith(":5170"));
        if (head.origin && WebAccess::OriginAllowed(head.origin, head.host))
            Require(head.origin->startsWith("http://"));
        const QByteArray token = WebAccess::TokenOf(query);
        Require(WebAccess::SameToken(token, token) == !token.isEmpty());
    } else if (head.state == RequestHead::State::Incomplete) {
        Require(bytes.size() < kHeadLimit);
    }
    CheckView(query);
    CheckView(QUrlQuery(QString::fromUtf8(bytes.left(256))));
    CheckPress(control, query, body);
    return 0;
}

// SPDX-License-Identifier: GPL-3.0-or-later
#include "web/RequestHead.h"

namespace {

using State = RequestHead::State;

// RFC 9110's token characters.
bool IsTokenChar(char c)
{
    if ((c >= '0' && c <= '9') || (c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z'))
        return true;
    return QByteArrayView("!#$%&'*+-.^_`|~").contains(c);
}

bool IsToken(QByteArrayView s)
{
    if (s.isEmpty())
        return false;
    for (char c : s)
        if (!IsTokenChar(c))
            return false;
    return true;
}

// A field value: visible characters, spaces and tabs; no other controls.
bool IsFieldValue(QByteArrayView s)
{
    for (char c : s) {
        const auto u = quint8(c);
        if ((u < 0x20 && c != '\t') || u == 0x7f)
            return false;
    }
    return true;
}

// The request target: visible ASCII, no spaces.
bool IsTarget(QByteArrayView s)
{
    if (s.isEmpty() || s.front() != '/')
        return false;
    for (char c : s) {
        const auto u = quint8(c);
        if (u <= 0x20 || u >= 0x7f)
            return false;
    }
    return true;
}

RequestHead Failed(State state)
{
    RequestHead h;
    h.state = state;
    return h;
}

bool ParseRequestLine(QByteArrayView line, RequestHead& h)
{
    const qsizetype sp1 = line.indexOf(' ');
    if (sp1 <= 0)
        return false;
    const qsizetype sp2 = line.indexOf(' ', sp1 + 1);
    if (sp2 < 0)
        return false;
    const QByteArrayView method = line.first(sp1);
    const QByteArrayView target = line.sliced(sp1 + 1, sp2 - sp1 - 1);
    const QByteArrayView version = line.sliced(sp2 + 1);
    if (!IsToken(method) || !IsTarget(target) ||
        (version != QByteArrayView("HTTP/1.1") && version != QByteArrayView("HTTP/1.0")))
        return false;
    h.method = method.toByteArray();
    h.target = target.toByteArray();
    return true;
}

bool ParseContentLength(QByteArrayView value, qint64& length)
{
    // Eighteen digits cannot overflow; anything near that is refused anyway.
    if (value.isEmpty() || value.size() > 18)
        return false;
    qint64 n = 0;
    for (char c : value) {
        if (c < '0' || c > '9')
            return false;
        n = n * 10 + (c - '0');
    }
    length = n;
    return true;
}

// One header line; false when it makes the request malformed.
bool ParseField(QByteArrayView line, RequestHead& h, bool& sawHost, bool& sawLength)
{
    const qsizetype colon = line.indexOf(':');
    if (colon <= 0)
        return false;
    const QByteArrayView name = line.first(colon);
    const QByteArrayView value = line.sliced(colon + 1).trimmed();
    if (!IsToken(name) || !IsFieldValue(value))
        return false;
    const auto is = [&name](const char* known) {
        return name.compare(QByteArrayView(known), Qt::CaseInsensitive) == 0;
    };
    if (is("host")) {
        if (sawHost)
            return false;
        sawHost = true;
        h.host = value.toByteArray();
    } else if (is("origin")) {
        if (h.origin)
            return false;
        h.origin = value.toByteArray();
    } else if (is("content-length")) {
        if (sawLength || !ParseContentLength(value, h.contentLength))
            return false;
        sawLength = true;
    } else if (is("transfer-encoding")) {
        // Bodies come with their length only.
        return false;
    } else if (is("upgrade")) {
        h.upgrade = true;
    }
    return true;
}

} // namespace

RequestHead ScanRequestHead(QByteArrayView bytes, qsizetype limit)
{
    const QByteArrayView window = bytes.first(qMin(bytes.size(), limit));
    RequestHead h;
    bool sawHost = false;
    bool sawLength = false;
    qsizetype at = 0;
    for (int lineNo = 0;; ++lineNo) {
        const qsizetype lf = window.indexOf('\n', at);
        if (lf < 0) {
            // A lone CR in the middle of a line is as bad as a lone LF.
            const qsizetype cr = window.indexOf('\r', at);
            if (cr >= 0 && cr + 1 < window.size())
                return Failed(State::Malformed);
            return Failed(bytes.size() >= limit ? State::TooLarge : State::Incomplete);
        }
        if (lf == at || window[lf - 1] != '\r')
            return Failed(State::Malformed);
        const QByteArrayView line = window.sliced(at, lf - 1 - at);
        if (line.contains('\r'))
            return Failed(State::Malformed);
        at = lf + 1;
        if (lineNo == 0) {
            if (!ParseRequestLine(line, h))
                return Failed(State::Malformed);
            continue;
        }
        if (line.isEmpty())
            break;
        // Folded lines (a leading space or tab) are obsolete and ambiguous.
        if (line.front() == ' ' || line.front() == '\t' || !ParseField(line, h, sawHost, sawLength))
            return Failed(State::Malformed);
    }
    h.state = State::Complete;
    h.length = at;
    return h;
}

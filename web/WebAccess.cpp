// SPDX-License-Identifier: GPL-3.0-or-later
#include "web/WebAccess.h"

#include <QRandomGenerator>

#include <array>

namespace WebAccess {

namespace {

constexpr int kTokenBytes = 16;
constexpr qsizetype kTokenLength = 22; // base64 of 16 bytes, unpadded

bool IsAsciiDigit(char c)
{
    return c >= '0' && c <= '9';
}

} // namespace

QByteArray NewToken()
{
    std::array<quint32, kTokenBytes / 4> words{};
    QRandomGenerator::system()->fillRange(words.data(), words.size());
    const QByteArray raw(reinterpret_cast<const char*>(words.data()), kTokenBytes);
    return raw.toBase64(QByteArray::Base64UrlEncoding | QByteArray::OmitTrailingEquals);
}

bool IsWellFormedToken(QByteArrayView token)
{
    if (token.size() != kTokenLength)
        return false;
    for (char c : token)
        if (!(IsAsciiDigit(c) || (c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z') || c == '-' ||
              c == '_'))
            return false;
    return true;
}

QByteArray TokenOf(const QUrlQuery& query)
{
    const QStringList all = query.allQueryItemValues(QStringLiteral("t"), QUrl::FullyDecoded);
    return all.size() == 1 ? all.front().toUtf8() : QByteArray();
}

bool SameToken(QByteArrayView given, QByteArrayView token)
{
    if (token.isEmpty())
        return false;
    // Every byte of the token is looked at whatever the given text is.
    unsigned diff = given.size() == token.size() ? 0u : 1u;
    for (qsizetype i = 0; i < token.size(); ++i) {
        const char g = i < given.size() ? given[i] : 0;
        diff |= unsigned(quint8(g) ^ quint8(token[i]));
    }
    return diff == 0;
}

bool HostAllowed(QByteArrayView host, const QList<QByteArray>& names, quint16 port)
{
    qsizetype colon = -1;
    if (host.startsWith('[')) {
        const qsizetype close = host.indexOf(']');
        if (close < 0)
            return false;
        colon = close + 1 < host.size() ? close + 1 : -1;
        if (colon >= 0 && host[colon] != ':')
            return false;
    } else {
        colon = host.lastIndexOf(':');
    }
    const QByteArrayView name = colon >= 0 ? host.first(colon) : host;
    if (colon >= 0) {
        const QByteArrayView digits = host.sliced(colon + 1);
        if (digits.isEmpty() || digits.size() > 5)
            return false;
        for (char c : digits)
            if (!IsAsciiDigit(c))
                return false;
        if (digits.toUInt() != port)
            return false;
    } else if (port != 80) {
        return false;
    }
    if (name.isEmpty())
        return false;
    const QByteArray lower = name.toByteArray().toLower();
    return names.contains(lower);
}

bool OriginAllowed(const std::optional<QByteArray>& origin, QByteArrayView host)
{
    if (!origin)
        return true;
    static constexpr QByteArrayView kScheme = "http://";
    return origin->size() == kScheme.size() + host.size() && origin->startsWith(kScheme) &&
           QByteArrayView(*origin).sliced(kScheme.size()).compare(host, Qt::CaseInsensitive) == 0;
}

} // namespace WebAccess

// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

// Who may use the server: every URL carries the token as ?t=, the Host a
// request names must be one the server listens on (so that a web page on
// another site cannot reach it through a name of its own), and an Origin,
// when a browser sends one, must be the server's own.

#include <QByteArray>
#include <QByteArrayView>
#include <QList>
#include <QUrlQuery>

#include <optional>

namespace WebAccess {

// A fresh random token: 128 bits, URL-safe base64 without padding.
QByteArray NewToken();

// Whether a token is one this server could have made (what a settings file
// holds may have been edited by hand).
bool IsWellFormedToken(QByteArrayView token);

// The query's one "t"; empty when absent or given more than once.
QByteArray TokenOf(const QUrlQuery& query);

// Compares in time that does not depend on where the two differ.
bool SameToken(QByteArrayView given, QByteArrayView token);

// host: the Host header's value. names: lower-case addresses and host names
// the server answers to. The port must be the server's, written out.
bool HostAllowed(QByteArrayView host, const QList<QByteArray>& names, quint16 port);

// origin: the Origin header, nullopt when none was sent. It must name the
// same host and port over http, as a page of this server would send it.
bool OriginAllowed(const std::optional<QByteArray>& origin, QByteArrayView host);

} // namespace WebAccess

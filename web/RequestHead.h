// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

// A first look at a request's head, before Qt's HTTP server reads it: where
// the head ends, whether it stays within its limit, and the few fields the
// connection's limits and the access checks need. Anything that two readers
// could read differently (a repeated Host, a folded line, a bare line feed, a
// body without a length) is refused here, so that what is checked here is
// what the server then reads.

#include <QByteArray>
#include <QByteArrayView>

#include <optional>

struct RequestHead {
    enum class State { Incomplete, Complete, TooLarge, Malformed };

    State state = State::Incomplete;
    qsizetype length = 0; // of the head, the empty line included
    QByteArray method;
    QByteArray target; // origin-form: starts with "/"
    QByteArray host;
    std::optional<QByteArray> origin;
    qint64 contentLength = 0;
    bool upgrade = false; // asks to switch protocols (a WebSocket)
};

// bytes: what has arrived so far. limit: the largest head allowed.
RequestHead ScanRequestHead(QByteArrayView bytes, qsizetype limit);

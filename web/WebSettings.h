// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

// Whether the program serves the board and the panel to browsers, on which
// port, to the LAN too or not, and the token every URL carries. Kept in the
// user's config folder, never in the settings file beside the program: a
// token there would travel with the board's files to whoever gets them.

#include "web/WebServer.h"

#include <QByteArray>
#include <QString>

struct WebSettings {
    bool enabled = false;
    quint16 port = WebServer::kDefaultPort;
    bool lan = false;
    QByteArray token; // Load() always gives a well-formed one

    // web.ini in the user's config folder.
    static QString DefaultFile();
    // A missing or unreadable file, or a value out of range: the defaults;
    // no token or not one of ours: a fresh one (saved with the next Save()).
    static WebSettings Load(const QString& file);
    bool Save(const QString& file) const;

    // A fresh random token in place of the old one.
    void RenewToken();

    // What the server is started with.
    WebServer::Settings ServerSettings() const;

    bool operator==(const WebSettings&) const = default;
};

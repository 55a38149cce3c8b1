// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

// A press asked for through the API: POST /api/press/<control>. Switches need
// their state, given as the query's "state" or as the body ("on", "off", or
// JSON {"on": true}); buttons take none.

#include "web/WebControl.h"

#include <QByteArrayView>
#include <QString>

#include <optional>

struct WebPress {
    WebControl control = WebControl::Next;
    bool on = false; // switches only

    bool operator==(const WebPress&) const = default;
};

struct WebPressResult {
    std::optional<WebPress> press;
    int status = 200; // when refused: 400, 404 or 413
    QString error;    // when refused, for the user
};

inline constexpr qsizetype kMaxPressBody = 4096;

WebPressResult ParsePress(QStringView control, const std::optional<QString>& state,
                          QByteArrayView body);

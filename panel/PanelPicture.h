// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

// Loading a user's panel picture for a backlight state, with the failure codes
// and texts the board has always shown for it.

#include <QImage>
#include <QString>

namespace PanelPicture {

// Not a failure: a file that is not there leaves the picture as it was, silently.
constexpr int kMissingQuietly = -1;

struct Loaded {
    QImage image;
    int code = 0; // 0 loaded; kMissingQuietly; else a failure code (53, 75, 76, 481, ...)
};

// Any format Qt's image readers accept.
Loaded Load(const QString& path);

// "エラーです。" CR LF CR LF "エラーコード：<code>" and the reason for the code.
QString ErrorText(int code);

} // namespace PanelPicture

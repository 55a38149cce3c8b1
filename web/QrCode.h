// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

// A QR code of a URL, for a phone's camera to open it.

#include <QImage>
#include <QString>

// Black modules on white, each scale x scale pixels, with the quiet zone of
// four modules the readers expect; a null image when the text does not fit.
QImage QrCode(const QString& text, int scale = 4);

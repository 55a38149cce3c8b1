// SPDX-License-Identifier: GPL-3.0-or-later
#include "web/QrCode.h"

#include <ZXing/BitMatrix.h>
#include <ZXing/MultiFormatWriter.h>

#include <algorithm>
#include <exception>

namespace {

constexpr int kQuietZone = 4;
// A URL of ours is under a hundred characters; anything far beyond is no URL.
constexpr qsizetype kMaxText = 1024;

} // namespace

QImage QrCode(const QString& text, int scale)
{
    if (text.isEmpty() || text.size() > kMaxText)
        return {};
    scale = std::clamp(scale, 1, 32);
    ZXing::BitMatrix m;
    try {
        m = ZXing::MultiFormatWriter(ZXing::BarcodeFormat::QRCode)
                .setEncoding(ZXing::CharacterSet::UTF8)
                .setMargin(0)
                .encode(text.toStdWString(), 0, 0);
    } catch (const std::exception&) {
        return {};
    }
    if (m.width() <= 0 || m.height() <= 0)
        return {};
    const int w = (m.width() + 2 * kQuietZone) * scale;
    const int h = (m.height() + 2 * kQuietZone) * scale;
    QImage image(w, h, QImage::Format_Grayscale8);
    image.fill(255);
    for (int y = 0; y < m.height(); ++y) {
        for (int x = 0; x < m.width(); ++x) {
            if (!m.get(x, y))
                continue;
            for (int dy = 0; dy < scale; ++dy) {
                uchar* line = image.scanLine((y + kQuietZone) * scale + dy);
                std::fill_n(line + (x + kQuietZone) * scale, scale, uchar(0));
            }
        }
    }
    return image;
}

// SPDX-License-Identifier: GPL-3.0-or-later
#include "board/StopLampFace.h"

#include "companion/FontMap.h"

#include <QLinearGradient>
#include <QPainter>

namespace StopLampFace {

namespace {

// The top strip of the face above columns 9 and 10, which holds nothing
// else: the first row's ticket-number labels begin at y 28.
constexpr QRect kRect(574, 4, 109, 21);

struct Look {
    QColor film;
    QColor filmCentre;
    QColor text;
};

// Unlit: the printed words show faintly through the film, more so on a
// lit board; dark board: barely. Lit: amber words on a warm film.
const Look kUnlit[3] = {
    {QColor(12, 12, 12), QColor(14, 14, 14), QColor(38, 34, 32)},
    {QColor(16, 14, 14), QColor(26, 22, 20), QColor(92, 70, 58)},
    {QColor(20, 16, 16), QColor(34, 28, 26), QColor(110, 84, 68)},
};
const Look kLit[3] = {
    {}, // never: a dark board shows no lamp
    {QColor(70, 20, 8), QColor(150, 52, 16), QColor(255, 196, 70)},
    {QColor(86, 24, 10), QColor(180, 64, 20), QColor(255, 214, 96)},
};

} // namespace

QRect Rect()
{
    return kRect;
}

bool Glows(bool requested, int backlight)
{
    return requested && backlight >= 1 && backlight <= 2;
}

QImage Draw(bool requested, int backlight)
{
    const int state = qBound(0, backlight, 2);
    const Look& look = Glows(requested, backlight) ? kLit[state] : kUnlit[state];
    QImage img(kRect.size(), QImage::Format_RGB32);
    QPainter p(&img);
    QLinearGradient film(0, 0, 0, kRect.height());
    film.setColorAt(0, look.film);
    film.setColorAt(0.5, look.filmCentre);
    film.setColorAt(1, look.film);
    p.fillRect(img.rect(), film);
    p.setPen(QColor(60, 60, 60));
    p.drawRect(img.rect().adjusted(0, 0, -1, -1));
    p.setRenderHint(QPainter::TextAntialiasing);
    p.setPen(look.text);
    p.setFont(FontMap::MakeFont(QStringLiteral("ＭＳ Ｐゴシック"), 13, true));
    p.drawText(img.rect(), Qt::AlignCenter, QStringLiteral("つぎ止まります"));
    return img;
}

} // namespace StopLampFace

// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

// Small helpers the window tests share: what a digit cell shows, whether any
// of its segments is lit, and a recorder that answers message boxes.

#include "board/DegitFormat.h"
#include "board/M_Degit.h"
#include "companion/ColorRef.h"
#include "companion/MsgBox.h"

#include <QImage>
#include <QList>

// The text a cell shows with its own formatting.
inline QString shown(const M_Degit* d)
{
    return DegitFormat::DisplayText(d->Value(), d->ZeroMode(), d->FillZero(), d->Shift(),
                                    d->Keta());
}

// Whether any pixel of the cell's face has exactly the lit colour.
inline bool anyLit(const M_Degit* d)
{
    const QImage img = d->Picture().convertToFormat(QImage::Format_RGB32);
    const QRgb lit = ltm4::FromColorRef(d->DegitForeColor()).rgb();
    for (int y = 0; y < img.height(); ++y)
        for (int x = 0; x < img.width(); ++x)
            if (img.pixel(x, y) == lit)
                return true;
    return false;
}

// Whether any pixel of one cell (0-based from the left) has exactly the lit colour.
inline bool anyLitIn(const M_Degit* d, int cell)
{
    const QImage img = d->Picture().convertToFormat(QImage::Format_RGB32);
    const QRgb lit = ltm4::FromColorRef(d->DegitForeColor()).rgb();
    const int w = img.width() / qMax<int>(d->Keta(), 1);
    for (int y = 0; y < img.height(); ++y)
        for (int x = cell * w; x < (cell + 1) * w; ++x)
            if (img.pixel(x, y) == lit)
                return true;
    return false;
}

// Records every message box while alive and answers it with `reply`.
struct MessageRecorder {
    QList<ltm4::MsgBoxCall> shown;
    int reply;
    ltm4::MsgBoxHandler previous;

    explicit MessageRecorder(int answer = ltm4::vbOK) : reply(answer)
    {
        previous = ltm4::SetMsgBoxHandler([this](const ltm4::MsgBoxCall& c) {
            shown << c;
            return reply;
        });
    }
    ~MessageRecorder() { ltm4::SetMsgBoxHandler(previous); }
    MessageRecorder(const MessageRecorder&) = delete;
    MessageRecorder& operator=(const MessageRecorder&) = delete;
};

// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

// Small helpers the window tests share: what a digit cell shows, whether any
// of its segments is lit, keying a route, a recorder that answers message
// boxes, and the three windows wired together.

#include "board/DegitFormat.h"
#include "board/M_Degit.h"
#include "companion/ColorRef.h"
#include "companion/MsgBox.h"
#include "panel/BoardWindows.h"
#include "panel/FareData.h"

#include <QFile>
#include <QImage>
#include <QLineEdit>
#include <QList>
#include <QPair>
#include <QPushButton>
#include <QStringList>

#include <functional>

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

// Stop r (1-based) is "停留所r", takes ticket r and pays Fare[k] = 100 * r + k.
inline QList<StopRecord> MakeStops(int count)
{
    QList<StopRecord> stops;
    for (int r = 1; r <= count; ++r) {
        StopRecord s;
        s.StopName = QStringLiteral("停留所%1").arg(r);
        s.SeiriNo = qint16(r);
        for (int k = 1; k <= 150; ++k)
            s.Fare[size_t(k)] = qint16(100 * r + k);
        stops << s;
    }
    return stops;
}

// A whole file's bytes; empty when it cannot be read.
inline QByteArray ReadAll(const QString& path)
{
    QFile f(path);
    return f.open(QIODevice::ReadOnly) ? f.readAll() : QByteArray();
}

// Writes the stops as a fare data file; false when it cannot be written.
inline bool WriteFareFile(const QString& path, const QList<StopRecord>& stops)
{
    const QByteArray bytes = EncodeFareFile(stops).bytes;
    QFile f(path);
    return f.open(QIODevice::WriteOnly) && f.write(bytes) == bytes.size();
}

// Keys a route and section on the panel's keypad and presses リセット.
inline void keyRoute(frmCtl& ctl, const QString& route,
                     const QString& section = QStringLiteral("1"))
{
    ctl.CommandButton1(10)->click();
    for (QChar c : route)
        ctl.CommandButton1(c.digitValue())->click();
    ctl.CommandButton1(11)->click();
    for (QChar c : section)
        ctl.CommandButton1(c.digitValue())->click();
    ctl.Command1(1)->click();
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

// The board, the control panel and the options dialog wired as the program
// wires them, with route-set and key sounds chosen; the panel's services
// record what they are asked.
struct Windows : BoardWindows {
    QList<QPair<QString, QString>> sounds; // path, channel
    QStringList calls;                     // announcement loads by route key, shutdown steps
    std::function<void()> onSave;          // runs when the settings are saved

    explicit Windows(bool load = true)
    {
        frmCtl::Services s;
        s.SndPlay = [this](const QString& path, const QString& channel, qint16, qint16) {
            sounds << qMakePair(path, channel);
        };
        s.TapeLoad = [this](const QString&, const QString& key) { calls << key; };
        s.SndCloseAll = [this] { calls << QStringLiteral("SndCloseAll"); };
        s.TapeRelease = [this] { calls << QStringLiteral("TapeRelease"); };
        s.SaveIni = [this] {
            calls << QStringLiteral("SaveIni");
            if (onSave)
                onSave();
        };
        s.Quit = [this] { calls << QStringLiteral("Quit"); };
        ctl.setServices(s);
        option.txtSelectSound(0)->setText(QStringLiteral("/snd/route.wav"));
        option.txtSelectSound(1)->setText(QStringLiteral("/snd/key.wav"));
        if (load)
            Load();
    }
    void keys(std::initializer_list<int> indices)
    {
        for (int i : indices)
            ctl.CommandButton1(i)->click();
    }
};

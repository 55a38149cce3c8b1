// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

// What the web server needs of the program, and all it knows of it. The
// program's owner implements it and hands it to the WebServer. Every call is
// made on the user-interface thread.

#include "web/WebPanelState.h"
#include "web/WebPress.h"

#include <QImage>
#include <QObject>
#include <QRegion>
#include <QSize>

#include <functional>

class WebHost : public QObject {
    Q_OBJECT
public:
    using QObject::QObject;

    // The board as its window shows it at 1x: its size, and a part of it
    // drawn at that size (an image of part's size, part's top-left at 0, 0).
    virtual QSize BoardSize() const = 0;
    virtual QImage BoardImage(const QRect& part) = 0;

    virtual WebPanelState PanelState() const = 0;

    // Acts as the same control on the panel: a button is clicked (nothing
    // when it is disabled); a switch is clicked when it is not already in
    // the state asked for.
    virtual void Press(const WebPress& press) = 0;

    // Runs run once no blocking wait (lamp test, a sound played to its end)
    // and no other handler of the program is in progress: at once when none
    // is, else as soon as it has ended. Never inside one.
    virtual void WhenIdle(std::function<void()> run) = 0;

signals:
    // A part of the board (in its own coordinates at 1x) has changed.
    void BoardChanged(const QRegion& part);
    // Something PanelState() reports may have changed.
    void PanelChanged();
};

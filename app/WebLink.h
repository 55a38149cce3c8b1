// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

// The web view's view of the program: the board's picture at 1x and what of
// it was painted anew, the panel's state, and its buttons pressed as their
// keys press them.

#include "web/WebHost.h"

#include <QTimer>

class Form1;
class frmCtl;
class mdlM_Tape;

class WebLink final : public WebHost {
    Q_OBJECT
public:
    WebLink(Form1& board, frmCtl& ctl, mdlM_Tape& tape, QObject* parent = nullptr);
    ~WebLink() override;

    QSize BoardSize() const override;
    QImage BoardImage(const QRect& part) override;
    WebPanelState PanelState() const override;
    void Press(const WebPress& press) override;
    void WhenIdle(std::function<void()> run) override;

private:
    Form1& m_board;
    frmCtl& m_ctl;
    mdlM_Tape& m_tape;
    // What the panel shows changes in many small ways (a digit keyed, a
    // switch): the server is told to look a few times a second, and at once
    // after a step or a route set; it sends only what differs.
    QTimer m_panelLook;
};

// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

// The stop-request lamp on the board: shows whether a stop is requested, in
// the board's backlight, and tells of a click on it. Whoever owns the request
// (the control panel) decides what a click does and sets the lamp.

#include <QImage>
#include <QWidget>

class StopLampCtl final : public QWidget {
    Q_OBJECT
public:
    explicit StopLampCtl(QWidget* parent = nullptr);

    bool Requested() const { return m_requested; }
    void setRequested(bool requested);
    int Backlight() const { return m_backlight; }
    void setBacklight(int backlight);
    // Whether it glows now (requested on a lit board).
    bool Glows() const;

    // A click on the lamp, also where the board is drawn zoomed and passes it on.
    void Press() { emit Clicked(); }

signals:
    void Clicked();

protected:
    void paintEvent(QPaintEvent* e) override;
    void mousePressEvent(QMouseEvent* e) override;

private:
    void Redraw();

    bool m_requested = false;
    int m_backlight = 0;
    QImage m_picture;
};

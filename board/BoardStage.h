// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

// The board at its own size: the face picture with the cells, labels and the
// stop-name display on it. The board window holds it at 1x. Zoomed, the stage
// is a window of its own that is never put on screen: the board paints an
// enlarged copy of it and repaints the part that changed.

#include <QImage>
#include <QRegion>
#include <QWidget>

#include <functional>

class BoardStage final : public QWidget {
    Q_OBJECT
public:
    explicit BoardStage(QWidget* parent = nullptr);

    // Off screen: called with the part of the stage (in its own coordinates)
    // that changed since the last call.
    void setOnChange(std::function<void(const QRegion&)> onChange)
    {
        m_onChange = std::move(onChange);
    }

    // Drawn from the top-left at its own size; a smaller picture leaves grey
    // around it, a larger one is cut at the edges.
    void setPicture(const QImage& picture);

    // Draws a part of the stage into an image of the stage's size.
    void RenderInto(QImage& image, const QRegion& part);

    // Called with every part of the stage (in its own coordinates) that is
    // painted anew, on screen or off: for those who show the board
    // elsewhere. Not for drawing it here (RenderInto, Grab).
    void setOnPainted(std::function<void(const QRegion&)> onPainted)
    {
        m_onPainted = std::move(onPainted);
    }
    // A part of the stage at its own size, part's top-left at 0, 0.
    QImage Grab(const QRect& part);

protected:
    bool event(QEvent* e) override;
    bool eventFilter(QObject* watched, QEvent* e) override;
    void paintEvent(QPaintEvent* e) override;

private:
    // Off screen, what the stage and its controls would paint is the part
    // that changed: noted, and true when the painting itself is not needed.
    bool Changed(const QWidget* w, const QRegion& region);

    QImage m_picture;
    std::function<void(const QRegion&)> m_onChange;
    std::function<void(const QRegion&)> m_onPainted;
    QRegion m_changed;
    bool m_rendering = false;
};

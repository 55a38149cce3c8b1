// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

// The board at its own size: the face picture with the cells, labels and the
// stop-name display on it. The board window holds it at 1x. Zoomed, the stage
// is a window of its own that is never put on screen: the board paints an
// enlarged copy of it and repaints whenever anything on it changes.

#include <QImage>
#include <QWidget>

#include <functional>

class BoardStage final : public QWidget {
    Q_OBJECT
public:
    explicit BoardStage(QWidget* parent = nullptr);

    // Called when something on the stage wants repainting (off screen only).
    void setOnChange(std::function<void()> onChange) { m_onChange = std::move(onChange); }

    // Drawn from the top-left at its own size; a smaller picture leaves grey
    // around it, a larger one is cut at the edges.
    void setPicture(const QImage& picture);

protected:
    bool event(QEvent* e) override;
    void paintEvent(QPaintEvent* e) override;

private:
    QImage m_picture;
    std::function<void()> m_onChange;
};

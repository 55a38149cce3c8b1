// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

// The board at its own size: the face picture with the cells, labels and the
// stop-name display on it. The board window holds it at 1x, or shows it
// enlarged when zoomed.

#include <QImage>
#include <QWidget>

class BoardStage final : public QWidget {
    Q_OBJECT
public:
    explicit BoardStage(QWidget* parent = nullptr);

    // Drawn from the top-left at its own size; a smaller picture leaves grey
    // around it, a larger one is cut at the edges.
    void setPicture(const QImage& picture);

protected:
    void paintEvent(QPaintEvent* e) override;

private:
    QImage m_picture;
};

// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

// A button that shows a colour setting as its background.

#include <QPushButton>

class ColorButton final : public QPushButton {
    Q_OBJECT
public:
    explicit ColorButton(QWidget* parent = nullptr);

    quint32 BackColor() const { return m_color; }
    void setBackColor(quint32 color);

protected:
    void paintEvent(QPaintEvent* e) override;

private:
    quint32 m_color = 0xFFFFFF;
};

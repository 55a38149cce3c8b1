// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

// A page selector of the options dialog: a push button whose caption is
// written on two lines where it has full-width blanks ("運賃データと　放送用
// データ"), while the caption itself stays as it is.

#include <QPushButton>

class SelectorButton final : public QPushButton {
    Q_OBJECT
public:
    using QPushButton::QPushButton;

    // The caption as shown: each run of full-width blanks a line break, blanks
    // at either end dropped.
    static QString ShownCaption(const QString& caption);

    QSize sizeHint() const override;

protected:
    void paintEvent(QPaintEvent* e) override;
};

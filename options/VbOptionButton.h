// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

// An option button that speaks in raw values: -1 on, 0 off. The buttons that
// share a parent widget form one group. Turning one on turns the others off,
// but turning one off leaves the group alone, so a group may end up with none
// on (a stored pair of zeros reads back as a pair of zeros). That is why Qt's
// auto-exclusivity, which never lets the last button go, is switched off.

#include <QRadioButton>

class VbOptionButton final : public QRadioButton {
    Q_OBJECT
public:
    explicit VbOptionButton(const QString& text, QWidget* parent = nullptr);

    qint16 Value() const { return isChecked() ? -1 : 0; }
    // Any non-zero value means on. Never refused.
    void setValue(qint16 v);

    // Long captions wrap onto further lines instead of widening the page.
    void setWordWrap(bool on);
    bool hasHeightForWidth() const override;
    int heightForWidth(int width) const override;
    QSize sizeHint() const override;
    QSize minimumSizeHint() const override;

protected:
    // A click only ever turns a button on, as in any option group.
    void nextCheckState() override;
    void paintEvent(QPaintEvent* e) override;

private:
    int indicatorWidth() const;

    bool m_wrap = false;
};

// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

// Options page 3: the stop-name display's font and colours.

#include <QGroupBox>

#include <array>

class ColorButton;
class QLabel;
class VbCheckBox;
class VbComboBox;

class OptionPageChimei final : public QGroupBox {
    Q_OBJECT
public:
    explicit OptionPageChimei(QWidget* parent = nullptr);

    QLabel* Label9 = nullptr;
    VbComboBox* Combo3 = nullptr; // font mode; starts without a selection
    VbCheckBox* Check4 = nullptr; // bold
    std::array<QLabel*, 2> Label8{};
    std::array<ColorButton*, 2> Command9{}; // background, text
};

// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

// Options page 1: the board's panel pictures and the ticket-number labels.

#include <QGroupBox>

#include <array>

class ColorButton;
class QFrame;
class QLabel;
class QLineEdit;
class QPushButton;
class VbCheckBox;
class VbComboBox;
class VbOptionButton;

class OptionPagePanel final : public QGroupBox {
    Q_OBJECT
public:
    explicit OptionPagePanel(QWidget* parent = nullptr);

    VbCheckBox* Check1 = nullptr; // ticket numbers shown; governs Frame3
    QGroupBox* Frame4 = nullptr;
    // 0 automatic / 1 individual (in Frame4); pairs built-in / user picture:
    // OFF 7 / 6, ON1 3 / 2, ON2 4 / 5 (each pair in its Frame6).
    std::array<VbOptionButton*, 8> Option3{};
    std::array<QGroupBox*, 3> Frame6{}; // 0 OFF, 1 ON1, 2 ON2
    std::array<QLineEdit*, 3> txtSelectPanel{};
    std::array<QPushButton*, 3> Command6{};

    QFrame* Frame3 = nullptr;
    std::array<QLabel*, 6> Label4{}; // 1..5
    VbComboBox* Combo2 = nullptr;
    VbCheckBox* Check2 = nullptr;
    std::array<ColorButton*, 3> Command5{}; // label colour per backlight state
    QLabel* Label15 = nullptr;
    std::array<QLabel*, 2> Label5{}; // 1 only

private:
    void UpdateEnabling();
};

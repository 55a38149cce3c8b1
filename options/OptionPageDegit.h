// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

// Options page 2: colours of the digit cells and the information digits that
// take over chosen fare cells.

#include <QGroupBox>

#include <array>

class ColorButton;
class M_Degit;
class QLabel;
class VbCheckBox;
class VbComboBox;

class OptionPageDegit final : public QGroupBox {
    Q_OBJECT
public:
    explicit OptionPageDegit(QWidget* parent = nullptr);

    // Shows the three digit colours on the sample.
    void RecolourSample();

    std::array<QGroupBox*, 2> Frame5{};
    std::array<QLabel*, 4> Label6{};
    std::array<ColorButton*, 3> Command8{}; // background, unlit, lit
    M_Degit* M_Degit1 = nullptr;
    // 0 stop order, 1 ticket number, 2 route number, 3 fare column, 4 count from 0.
    std::array<VbCheckBox*, 5> Check3{};
    // Cell lists 0..3 (1..50) and the column list 4 (1..150).
    std::array<VbComboBox*, 5> Combo4{};
    QLabel* Label7 = nullptr;

private:
    void UpdateEnabling();
};

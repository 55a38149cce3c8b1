// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

// Options page 4: the sound files for route set, reset, fare steps and the
// sound before an announcement, and how the latter two play.

#include <QGroupBox>

#include <array>

class QLabel;
class QLineEdit;
class QPushButton;
class QStackedWidget;
class VbComboBox;
class VbOptionButton;

class OptionPageSound final : public QGroupBox {
    Q_OBJECT
public:
    explicit OptionPageSound(QWidget* parent = nullptr);

    // Indices 0, 1 and 3..10; there is no index 2.
    // 0 route set, 1 reset, 3 pre-announcement, 4..6 its flags 1..3,
    // 7 fare step, 8..10 its column values 1..3.
    std::array<QLineEdit*, 11> txtSelectSound{};
    std::array<QPushButton*, 11> cmdSelectSound{};
    std::array<QLabel*, 12> Label1{}; // 0..5, 7, 9..11

    // Push-button style selectors of the two stacked frames.
    std::array<QPushButton*, 2> Option5{};
    QStackedWidget* Frame2Stack = nullptr;
    std::array<QGroupBox*, 2> Frame2{}; // 0 pre-announcement, 1 fare step

    QGroupBox* Frame8 = nullptr;
    std::array<VbOptionButton*, 2> Option6{}; // fare step: sync, async
    // 0 / 1 fare step: always / by column; 2 / 3 pre-announcement: always / by flag.
    std::array<VbOptionButton*, 4> Option2{};
    VbComboBox* Combo1 = nullptr; // fare column deciding the step sound
    QGroupBox* Frame9 = nullptr;
    std::array<VbOptionButton*, 2> Option7{}; // pre-announcement: sync, async

    // Brings Frame2(index) to the front.
    void Option5_Click(int index);

private:
    void AddSoundRow(QWidget* parent, class QGridLayout* grid, int row, QWidget* lead, int index);
};

// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

// Options page 0: where the fare data and the announcement data live.

#include <QGroupBox>

#include <array>

class QLabel;
class QLineEdit;
class QPushButton;

class OptionPageDataDirs final : public QGroupBox {
    Q_OBJECT
public:
    explicit OptionPageDataDirs(QWidget* parent = nullptr);

    // Index 0 fare data, 1 announcement data.
    std::array<QLabel*, 2> Label3{};
    std::array<QLineEdit*, 2> Text2{};
    std::array<QPushButton*, 2> Command3{};  // choose a folder
    std::array<QPushButton*, 2> Command10{}; // open it in the file manager
};

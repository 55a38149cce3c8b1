// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

// A drop-down list (choice from the list only) addressed by its raw list
// index: -1 for no selection.

#include <QComboBox>

class VbComboBox final : public QComboBox {
    Q_OBJECT
public:
    explicit VbComboBox(QWidget* parent = nullptr);

    int ListIndex() const { return currentIndex(); }
    // An index outside -1 .. count - 1 is refused (returns false, nothing changes).
    bool setListIndex(int index);
};

// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

// A check box that speaks in raw values: 0 clear, 1 ticked, 2 grey. These are
// the values stored in the settings file and exchanged between windows.

#include <QCheckBox>

class VbCheckBox final : public QCheckBox {
    Q_OBJECT
public:
    explicit VbCheckBox(const QString& text, QWidget* parent = nullptr);

    qint16 Value() const;
    // Other values than 0..2 are refused (returns false, nothing changes).
    bool setValue(qint16 v);

protected:
    void nextCheckState() override;
};

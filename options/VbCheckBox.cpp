// SPDX-License-Identifier: GPL-3.0-or-later
#include "options/VbCheckBox.h"

VbCheckBox::VbCheckBox(const QString& text, QWidget* parent) : QCheckBox(text, parent) {}

qint16 VbCheckBox::Value() const
{
    switch (checkState()) {
    case Qt::Checked:
        return 1;
    case Qt::PartiallyChecked:
        return 2;
    default:
        return 0;
    }
}

bool VbCheckBox::setValue(qint16 v)
{
    switch (v) {
    case 0:
        setCheckState(Qt::Unchecked);
        return true;
    case 1:
        setCheckState(Qt::Checked);
        return true;
    case 2:
        setTristate(true);
        setCheckState(Qt::PartiallyChecked);
        return true;
    default:
        return false;
    }
}

void VbCheckBox::nextCheckState()
{
    // A click toggles between clear and ticked; grey is only ever set from code.
    setTristate(false);
    setCheckState(checkState() == Qt::Checked ? Qt::Unchecked : Qt::Checked);
}

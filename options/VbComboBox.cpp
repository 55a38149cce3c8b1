// SPDX-License-Identifier: GPL-3.0-or-later
#include "options/VbComboBox.h"

VbComboBox::VbComboBox(QWidget* parent) : QComboBox(parent)
{
    setEditable(false);
}

bool VbComboBox::setListIndex(int index)
{
    if (index < -1 || index >= count())
        return false;
    setCurrentIndex(index);
    return true;
}

// SPDX-License-Identifier: GPL-3.0-or-later
#include "companion/ModalSeam.h"

#include <QDialog>

#include <utility>

namespace ltm4 {

namespace {
ModalHandler& handlerSlot()
{
    static ModalHandler h;
    return h;
}
} // namespace

int ExecModal(QDialog& dlg)
{
    // A copy: the handler may replace itself while it runs.
    if (const ModalHandler h = handlerSlot())
        return h(dlg);
    return dlg.exec();
}

ModalHandler SetModalHandler(ModalHandler handler)
{
    return std::exchange(handlerSlot(), std::move(handler));
}

} // namespace ltm4

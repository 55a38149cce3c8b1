// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

// Modal dialogs run through ExecModal, so tests can drive the real dialog
// object (set its controls, accept or reject) without a nested event loop.

#include <functional>

class QDialog;

namespace ltm4 {

using ModalHandler = std::function<int(QDialog&)>;

// Runs dlg modally and returns its QDialog::DialogCode result.
int ExecModal(QDialog& dlg);

// Replaces the real exec(); an empty handler restores it. Returns the previous one.
ModalHandler SetModalHandler(ModalHandler handler);

} // namespace ltm4

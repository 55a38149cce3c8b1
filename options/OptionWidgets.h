// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

// Small helpers the option pages share: naming controls the way tests and
// accessibility tools find them, and lists sitting over a run of blanks in a
// caption so the sentence reads with the list in place.

#include <QString>
#include <QWidget>

#include <array>
#include <cstddef>

class QPushButton;

namespace optui {

// objectName = name, or name_index for a control of an indexed set.
template <typename T> T* Named(T* w, const char* name, int index = -1)
{
    const QString base = QString::fromLatin1(name);
    w->setObjectName(index < 0 ? base : base + QLatin1Char('_') + QString::number(index));
    return w;
}

// The element of an indexed set; nullptr outside it or for a missing index.
template <typename T, std::size_t N> T* At(const std::array<T*, N>& set, int index)
{
    return (index >= 0 && std::size_t(index) < N) ? set[std::size_t(index)] : nullptr;
}

// The "..." button beside a text box.
QPushButton* DotsButton(QWidget* parent, const char* name, int index);

// Makes list a child of host (a label or check box) sitting over the run-th
// run of blanks (ordinary or full-width) in host's caption, and keeps it
// there when the host is laid out again.
void SitOverBlanks(QWidget* host, QWidget* list, int run = 0);

} // namespace optui

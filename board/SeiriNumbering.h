// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

// Numbering styles of the ticket-number labels above the fare cells.

#include <QString>

#include <array>
#include <optional>

namespace SeiriNumbering {

constexpr int kLabels = 50;

struct Plan {
    // Label 1 in the word face ("ＭＳ Ｐゴシック") with this caption, or in the
    // number face when absent.
    std::optional<QString> firstWord;
    // New caption of label k (index k, 1..50); absent = left as it is.
    std::array<std::optional<QString>, kLabels + 1> captions;
};

// zero != 0 writes numbers with two digits ("01").
Plan Make(qint16 style, qint16 zero);

// The words that stand in the first cell for "no ticket"; empty text for the
// plain styles and for any style outside the list.
QString FirstWord(qint16 style);

} // namespace SeiriNumbering

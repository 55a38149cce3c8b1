// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

// Which picture each backlight state shows, as the options' panel page sets
// it: the built-in face, or the user's file when the pictures are set one by
// one and that state's "ユーザーパネル" is chosen. The page's option buttons
// (Option3) carry these indices, the settings file their values.

#include <array>

namespace PanelPictureChoice {

enum State : int { Off = 0, On1 = 1, On2 = 2 };

inline constexpr int kAutomatic = 0;  // 内蔵しているパネルを自動で割り当てる
inline constexpr int kIndividual = 1; // 個別に設定する

// The "内蔵" and "ユーザーパネル" buttons of one state's picture frame.
struct StateButtons {
    int builtin;
    int user;
};
inline constexpr std::array<StateButtons, 3> kStateButtons{{
    {7, 6}, // バックライトOFF時の画像
    {3, 2}, // ON1の画像
    {4, 5}, // ON2の画像
}};

// option3(i): whether option button i is chosen.
template <typename Chosen> constexpr bool ShowsUserPicture(int state, Chosen&& option3)
{
    return state >= Off && state <= On2 && option3(kIndividual) &&
           option3(kStateButtons[static_cast<std::size_t>(state)].user);
}

} // namespace PanelPictureChoice

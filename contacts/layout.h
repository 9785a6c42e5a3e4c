#pragma once
// Where the window design puts the controls that the background artwork draws (the places
// the ratings and photo panels fix are repeated here so that the artwork draws them too), in
// twips on the 6750 x 4125 client area.
#include "platform/controls.h"

namespace layout {

using Rect = platform::TwipsRect;

constexpr int kClientWidth = 6750;
constexpr int kClientHeight = 4125;

constexpr Rect kLogo{120, 120, 1260, 1020};
constexpr Rect kSoundSwitch{180, 1215, 315, 315};     // suono_on / suono_off
constexpr Rect kFind{600, 1230, 1950, 300};
constexpr Rect kSearch{2610, 1215, 345, 315};         // Image6
constexpr Rect kHome{4740, 3510, 345, 345};           // Image16
constexpr Rect kHelp{5145, 3510, 345, 345};           // ImgHelp
constexpr Rect kAbout{5550, 3510, 345, 345};          // Image4
constexpr Rect kOptions{5925, 105, 345, 345};         // ImgSet
constexpr Rect kExit{6315, 105, 345, 345};            // Image5
constexpr Rect kSort{180, 3630, 390, 390};            // Image11
constexpr Rect kDelete{630, 3630, 390, 390};          // Image7
constexpr Rect kImport{1080, 3630, 390, 390};         // Image12
constexpr Rect kConversations{1530, 3630, 390, 390};  // Image13
constexpr Rect kLinks{1980, 3630, 390, 390};          // Image10
constexpr Rect kShowRatings{5280, 60, 555, 435};      // Image8 (the ratings panel's own place)
constexpr Rect kShowNotes{4620, 60, 555, 435};        // Image9 (the ratings panel's own place)
constexpr Rect kCloseRatings{4680, 3000, 900, 255};   // Image14 (the ratings panel's own place)
constexpr Rect kLinkPhoto{2880, 3540, 615, 495};      // Image2
constexpr Rect kViewPhoto{3600, 3540, 612, 492};      // Image3
constexpr int kCorner = 300;                          // the four corner decorations

} // namespace layout

#pragma once
// The screen's full size (the whole screen, not the work area the taskbar leaves free), in
// twips, as the old Screen.Width and Screen.Height gave it.
#include <optional>

namespace platform {

struct ScreenSize {
    double width;
    double height;
};

// The primary screen, or the size a test fixed.
ScreenSize screen_size();
// Tests fix the screen size; std::nullopt returns to the real screen.
void set_screen_size(std::optional<ScreenSize> size);

} // namespace platform

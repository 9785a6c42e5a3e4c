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

// The program-wide mouse pointer (Screen.MousePointer): one pointer, set and reset, not a
// stack of them. Long operations show the hourglass and put the default back at their end.
enum MousePointer : int { vbDefault = 0, vbHourglass = 11 };
void set_mouse_pointer(MousePointer pointer);
MousePointer mouse_pointer();

} // namespace platform

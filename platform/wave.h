#pragma once
#include <string>

namespace platform {

// True when the file is a RIFF/WAVE file whose format chunk and data chunk lie whole inside
// it. The player hangs for good on a wave cut short, so nothing else is handed to it.
bool is_complete_wave(const std::string& native_path);

} // namespace platform

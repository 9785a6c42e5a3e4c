#pragma once
// The Windows folder and the system folder of GetWindowsDirectoryA and GetSystemDirectoryA:
// "windows" in the program folder and "system" under it, or the folder that the WINDIR
// variable names and "system" under that. "write.exe" lives there.
#include <string>

namespace platform {

// Without a trailing separator; "" when the program folder is unknown. The folder need not
// exist: Windows always names its folder.
std::string windows_folder();
std::string system_folder();

} // namespace platform

#pragma once
// The registry, as far as the program uses it: the machine's Run key, whose values start
// programs with the user's session. A value there is a desktop entry "<value name>.desktop"
// in the user's autostart folder; its Exec line is the value's command, the program's path
// quoted by the Desktop Entry rules. A plain user cannot write the machine-wide autostart
// folder, and the per-user one is where a session looks. Any other key is refused.
// A call that fails, or is refused, throws StepError.
#include <cstdint>
#include <string>

namespace platform {

constexpr int32_t HKEY_CURRENT_USER = static_cast<int32_t>(0x80000001u);
constexpr int32_t HKEY_LOCAL_MACHINE = static_cast<int32_t>(0x80000002u);
enum RegistryType : int32_t { REG_SZ = 1, REG_DWORD = 4 };

// Open (or create) a key: phkResult is its handle.
void RegCreateKeyA(int32_t hKey, const std::string& lpSubKey, int32_t& phkResult);
void RegOpenKeyA(int32_t hKey, const std::string& lpSubKey, int32_t& phkResult);
// Writes a text value (REG_SZ, cbData bytes, the text up to its NUL). The entry is replaced
// atomically: a session never sees half of it.
void RegSetValueExA(int32_t hKey, const std::string& lpValueName, int32_t Reserved, int32_t dwType,
                    const std::string& lpData, int32_t cbData);
void RegFlushKey(int32_t hKey);
void RegCloseKey(int32_t hKey);
// Deleting a value that does not exist does nothing.
void RegDeleteValueA(int32_t hKey, const std::string& lpValueName);

// $XDG_CONFIG_HOME/autostart, or the one under the folder tests set for the settings.
std::string autostart_folder();

} // namespace platform

#pragma once
// The per-user settings store: texts under an application, a section and a key. Each
// application has one INI file in the user's configuration folder; the section is its group.
// Values come back exactly as stored: no trimming, case kept.
#include <string>

namespace platform {

// The one section the program keeps its settings under.
inline constexpr const char* kSettingsSection = "Impostazioni";

// The stored value, or default_value when the key (or its file) does not exist.
std::string GetSetting(const std::string& app, const std::string& section, const std::string& key,
                       const std::string& default_value);

// Throws StepError(errPathFileAccess) when the store cannot be written.
void SaveSetting(const std::string& app, const std::string& section, const std::string& key,
                 const std::string& value);

// The user's configuration folder (XDG_CONFIG_HOME, else ~/.config): it holds the stores'
// files and the desktop's autostart folder. Tests point it at a temporary folder; "" returns
// to the user's own.
void set_settings_folder(const std::string& folder);
std::string config_folder();

// The file of one application's store: <settings folder>/<app>.ini.
std::string settings_file(const std::string& app);

} // namespace platform

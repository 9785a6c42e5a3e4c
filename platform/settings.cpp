#include "platform/settings.h"

#include "platform/failure.h"
#include "platform/files.h"

#include <QSettings>
#include <QStandardPaths>

namespace platform {

namespace {

std::string& settings_folder_override()
{
    static std::string folder;
    return folder;
}

} // namespace

std::string config_folder()
{
    const std::string& folder = settings_folder_override();
    if (!folder.empty())
        return folder;
    return QStandardPaths::writableLocation(QStandardPaths::GenericConfigLocation).toStdString();
}

namespace {

QString qt(const std::string& text) { return QString::fromStdString(text); }

// The section as a group; QSettings escapes whatever a key or value holds, so the file
// keeps "=", ";", "#", blanks at the ends and non-ASCII text intact.
QString group_key(const std::string& section, const std::string& key)
{
    return qt(section) + QLatin1Char('/') + qt(key);
}

} // namespace

std::string GetSetting(const std::string& app, const std::string& section, const std::string& key,
                       const std::string& default_value)
{
    const QSettings store(qt(settings_file(app)), QSettings::IniFormat);
    const QVariant value = store.value(group_key(section, key));
    return value.isValid() ? value.toString().toStdString() : default_value;
}

void SaveSetting(const std::string& app, const std::string& section, const std::string& key,
                 const std::string& value)
{
    QSettings store(qt(settings_file(app)), QSettings::IniFormat);
    store.setValue(group_key(section, key), qt(value));
    store.sync();
    if (store.status() != QSettings::NoError)
        throw StepError(errPathFileAccess, "Path/File access error");
}

void set_settings_folder(const std::string& folder) { settings_folder_override() = folder; }

std::string settings_file(const std::string& app)
{
    return config_folder() + "/" + app + ".ini";
}

} // namespace platform

#include "platform/registry.h"

#include "platform/failure.h"
#include "platform/files.h"
#include "platform/settings.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QSaveFile>

#include <algorithm>
#include <cctype>
#include <string_view>
#include <utility>

namespace platform {
namespace {

constexpr std::string_view kRunKey = "software\\microsoft\\windows\\currentversion\\run";
constexpr int32_t kRunKeyHandle = 0x52756E;   // the one key this registry holds

[[noreturn]] void refuse()
{
    throw StepError(errPathFileAccess, "Path/File access error");
}

std::string lower(std::string text)
{
    std::transform(text.begin(), text.end(), text.begin(),
                   [](unsigned char c) { return static_cast<char>(std::tolower(c)); });
    return text;
}

void open_run_key(int32_t hKey, const std::string& lpSubKey, int32_t& phkResult)
{
    std::string key = lower(lpSubKey);
    if (!key.empty() && key.back() == '\\')
        key.pop_back();
    if (hKey != HKEY_LOCAL_MACHINE || key != kRunKey)
        refuse();
    phkResult = kRunKeyHandle;
}

void check_handle(int32_t hKey)
{
    if (hKey != kRunKeyHandle)
        throw StepError(errInvalidCall, "Invalid procedure call or argument");
}

// A value name becomes a file name in the autostart folder: nothing that could lead out of
// it or hide the entry.
QString entry_file(const std::string& value_name)
{
    const bool plain = !value_name.empty() && value_name.size() <= 200 && value_name.front() != '.'
        && std::none_of(value_name.begin(), value_name.end(),
                        [](unsigned char c) { return c == '/' || c == '\\' || c < 0x20 || c == 0x7f; });
    if (!plain)
        refuse();
    return QString::fromStdString(autostart_folder() + "/" + value_name + ".desktop");
}

bool is_program(const std::string& windows_path)
{
    const QFileInfo file(QString::fromStdString(native_path(windows_path)));
    return file.isFile() && file.isExecutable();
}

// An unquoted command: the program is the longest run of its words that names a program, so
// a file named like the start of the path ("/home/me/my" for "/home/me/my dir/...") is
// never the one started; when none does, all but the last word. After one blank comes the
// tail.
std::pair<std::string, std::string> split_run_command(const std::string& command)
{
    if (is_program(command))
        return {command, {}};
    for (size_t blank = command.rfind(' '); blank != std::string::npos && blank > 0;
         blank = command.rfind(' ', blank - 1)) {
        if (is_program(command.substr(0, blank)))
            return {command.substr(0, blank), command.substr(blank + 1)};
    }
    const size_t last = command.rfind(' ');
    if (last == std::string::npos)
        return {command, {}};
    return {command.substr(0, last), command.substr(last + 1)};
}

// One argument of an Exec line: quoted when it holds a reserved character, with ", `, $ and
// \ escaped inside the quotes; a literal % is doubled.
std::string exec_argument(const std::string& argument)
{
    constexpr std::string_view reserved = " \t\n\"'\\><~|&;$*?#()`";
    const bool quote = argument.empty() || argument.find_first_of(reserved) != std::string::npos;
    std::string out = quote ? "\"" : "";
    for (char c : argument) {
        if (quote && (c == '"' || c == '`' || c == '$' || c == '\\'))
            out += '\\';
        out += c;
        if (c == '%')
            out += '%';
    }
    return quote ? out + "\"" : out;
}

// A string value of a desktop entry: backslash, line ends and tabs escaped.
std::string entry_string(const std::string& text)
{
    std::string out;
    for (char c : text) {
        switch (c) {
        case '\\': out += "\\\\"; break;
        case '\n': out += "\\n"; break;
        case '\r': out += "\\r"; break;
        case '\t': out += "\\t"; break;
        default: out += c;
        }
    }
    return out;
}

// The tail reaches the program as one argument, as a started program receives it.
std::string exec_line(const std::string& command)
{
    const auto [program, tail] = split_run_command(command);
    std::string line = exec_argument(native_path(program));
    if (!tail.empty())
        line += " " + exec_argument(tail);
    return entry_string(line);
}

void write_entry(const QString& file, const std::string& name, const std::string& command)
{
    const std::string entry = "[Desktop Entry]\nType=Application\nName=" + entry_string(name)
        + "\nExec=" + exec_line(command) + "\n";
    QDir().mkpath(QFileInfo(file).absolutePath());
    QSaveFile out(file);
    if (!out.open(QIODevice::WriteOnly) || out.write(entry.data(), qint64(entry.size())) != qint64(entry.size())
        || !out.commit())
        refuse();
}

} // namespace

std::string autostart_folder()
{
    return config_folder() + "/autostart";
}

void RegCreateKeyA(int32_t hKey, const std::string& lpSubKey, int32_t& phkResult)
{
    open_run_key(hKey, lpSubKey, phkResult);
}

void RegOpenKeyA(int32_t hKey, const std::string& lpSubKey, int32_t& phkResult)
{
    open_run_key(hKey, lpSubKey, phkResult);
}

// A Run value is a command, so it must be text.
void RegSetValueExA(int32_t hKey, const std::string& lpValueName, int32_t, int32_t dwType, const std::string& lpData,
                    int32_t cbData)
{
    check_handle(hKey);
    if (dwType != REG_SZ || cbData < 0)
        refuse();
    const std::string data = lpData.substr(0, std::min(lpData.size(), size_t(cbData)));
    write_entry(entry_file(lpValueName), lpValueName, data.substr(0, data.find('\0')));
}

void RegFlushKey(int32_t hKey)
{
    check_handle(hKey);
}

void RegCloseKey(int32_t hKey)
{
    check_handle(hKey);
}

void RegDeleteValueA(int32_t hKey, const std::string& lpValueName)
{
    check_handle(hKey);
    const QString file = entry_file(lpValueName);
    if (QFileInfo(file).isFile() && !QFile::remove(file))
        refuse();
}

} // namespace platform

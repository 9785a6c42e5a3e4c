// The Windows folder, the system folder and one value of an INI file, for every part of the
// program that needs them.
#include "contacts/Main.h"
#include "platform/failure.h"
#include "platform/folders.h"
#include "platform/ini.h"

namespace {

constexpr std::size_t kBuffer = 255;

std::string right_trim(std::string s)
{
    const std::size_t last = s.find_last_not_of(' ');
    s.erase(last == std::string::npos ? 0 : last + 1);
    return s;
}

} // namespace

std::string Main::GetWindowsDir()
{
    std::string result;
    std::string buffer;
    platform::resume_next([&] { buffer = platform::windows_folder(); });
    if (!buffer.empty()) {
        platform::resume_next([&] { buffer = StripTerminator(buffer); });
        platform::resume_next([&] { AddDirSep(buffer); });
        platform::resume_next([&] { result = buffer; });
    }
    return result;
}

std::string Main::GetWindowsSysDir()
{
    std::string buffer = platform::system_folder();
    if (buffer.empty())
        return {};
    buffer = StripTerminator(buffer);
    AddDirSep(buffer);
    return buffer;
}

// Callers add the separator themselves, so the path stays exactly as it is.
void Main::AddDirSep(std::string& /*strPathName*/)
{
}

std::string Main::StripTerminator(std::string strString)
{
    std::string result;
    platform::resume_next([&] { result = strString.substr(0, strString.find('\0')); });
    return result;
}

std::string Main::ReadIniFile(std::string strIniFile, std::string strSection, std::string strKey)
{
    std::string result;
    platform::ProfileString buffer{};
    platform::resume_next([&] {
        buffer = platform::GetPrivateProfileString(strSection, strKey, "", kBuffer, strIniFile);
    });
    if (buffer.count > 0)
        platform::resume_next([&] { result = right_trim(StripTerminator(buffer.text)); });
    return result;
}

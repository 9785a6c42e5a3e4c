#include "platform/folders.h"

#include "platform/files.h"

#include <cstdlib>

namespace platform {
namespace {

std::string without_trailing_separator(std::string path)
{
    while (path.size() > 1 && (path.back() == '/' || path.back() == '\\'))
        path.pop_back();
    return path;
}

} // namespace

std::string windows_folder()
{
    if (const char* windir = std::getenv("WINDIR"); windir && *windir)
        return without_trailing_separator(windir);
    const std::string program = program_folder();
    if (program.empty())
        return {};
    return without_trailing_separator(program) + "/windows";
}

std::string system_folder()
{
    const std::string windows = windows_folder();
    return windows.empty() ? windows : windows + "/system";
}

} // namespace platform

#pragma once
#include <string>

namespace platform {

// The application's title, shown on message boxes.
inline const std::string& app_title()
{
    static const std::string title = "Tavoly";
    return title;
}

// The executable's name without extension: the settings application, the start-up entry's
// value name, the page fetcher's user agent.
inline const std::string& exe_name()
{
    static const std::string name = "tavoly";
    return name;
}

} // namespace platform

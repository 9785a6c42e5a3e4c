#pragma once
// Finding the program that opens a file and opening a file or an address with a program, the
// services of shell32's FindExecutableA and ShellExecuteA. The desktop answers: the default
// application for the file's type (xdg-mime) is its desktop entry, and opening with it runs
// the entry's whole Exec line, wrappers such as "env" or "flatpak run" included; "mailto:"
// addresses go to the desktop's handler for them (xdg-open).
#include <string>
#include <vector>

namespace platform {

// Results of the two calls: greater than 32 is success.
enum ShellResult : long {
    SE_ERR_FNF = 2,          // the file is missing, or the program could not be started
    SE_ERR_ACCESSDENIED = 5, // refused: an address that would reach the program as an option
    SE_ERR_NOASSOC = 31,     // no application is associated with the file's type
    SE_OK = 33,
};

// Show commands; the desktop application chooses its own window, so they are advisory.
enum ShowCommand : int { SW_SHOWNORMAL = 1, SW_SHOWMAXIMIZED = 3 };

class ShellOpenService {
public:
    virtual ~ShellOpenService() = default;
    // The path of the program that opens the file, in result: here the desktop entry of the
    // default application. The folder is unused here.
    virtual long FindExecutable(const std::string& file, const std::string& directory, std::string& result) = 0;
    // The verb "open": a program file started with the parameters as one argument, a
    // desktop entry's Exec line run with them as its address, never through a shell; an
    // address with a scheme handed to the desktop's handler for it. Parameters or a file
    // that a program would read as an option are refused.
    virtual long ShellExecute(const std::string& verb, const std::string& file, const std::string& parameters,
                              const std::string& directory, int show_command) = 0;
};

// Through the process-wide service (services().shell).
long FindExecutableA(const std::string& file, const std::string& directory, std::string& result);
long ShellExecuteA(const std::string& verb, const std::string& file, const std::string& parameters,
                   const std::string& directory, int show_command);

// The command an Exec line starts, by the Desktop Entry rules, the line's string escapes
// already undone: words split at blanks outside double quotes, a backslash passing the next
// character as it is, %u %U %f %F the address as one argument (added at the end when the
// line asks for none), %% a percent sign, every other field code dropped.
std::vector<std::string> exec_arguments(const std::string& exec_line, const std::string& address);

// The real service, over xdg-utils.
class XdgShellOpen : public ShellOpenService {
public:
    long FindExecutable(const std::string& file, const std::string& directory, std::string& result) override;
    long ShellExecute(const std::string& verb, const std::string& file, const std::string& parameters,
                      const std::string& directory, int show_command) override;
};

} // namespace platform

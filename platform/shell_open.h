#pragma once
// Finding the program that opens a file and opening a file or an address with a program, the
// services of shell32's FindExecutableA and ShellExecuteA. The desktop answers: the default
// application for the file's type (xdg-mime) and the program its desktop entry starts;
// "mailto:" addresses go to the desktop's handler for them (xdg-open).
#include <string>

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
    // The path of the program that opens the file, in result; the folder is unused here.
    virtual long FindExecutable(const std::string& file, const std::string& directory, std::string& result) = 0;
    // The verb "open": a program file started with the parameters as one argument, never
    // through a shell; an address with a scheme handed to the desktop's handler for it.
    virtual long ShellExecute(const std::string& verb, const std::string& file, const std::string& parameters,
                              const std::string& directory, int show_command) = 0;
};

// Through the process-wide service (services().shell).
long FindExecutableA(const std::string& file, const std::string& directory, std::string& result);
long ShellExecuteA(const std::string& verb, const std::string& file, const std::string& parameters,
                   const std::string& directory, int show_command);

// The real service, over xdg-utils.
class XdgShellOpen : public ShellOpenService {
public:
    long FindExecutable(const std::string& file, const std::string& directory, std::string& result) override;
    long ShellExecute(const std::string& verb, const std::string& file, const std::string& parameters,
                      const std::string& directory, int show_command) override;
};

} // namespace platform

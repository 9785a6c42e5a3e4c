#pragma once
// Starting another program from a command line, hidden or shown, without waiting for it
// (the old runtime's Shell). The command line is split the way Windows hands a command tail
// to a program: the program path ends at ".exe" (any case); the rest, after one blank, is the
// tail, which reaches the program as one argument, never through a shell.
#include <string>

namespace platform {

enum VbAppWinStyle : int {
    vbHide = 0,
    vbNormalFocus = 1,
    vbMinimizedFocus = 2,
    vbMaximizedFocus = 3,
    vbNormalNoFocus = 4,
    vbMinimizedNoFocus = 6,
};

struct CommandLine {
    std::string program;   // as written, Windows-style; converted at the file-system edge
    std::string tail;      // "" when the line holds no tail
};
CommandLine split_command_line(const std::string& command_line);

class ProgramStarter {
public:
    virtual ~ProgramStarter() = default;
    // The started program's process id; throws StepError(errFileNotFound) when it cannot start.
    virtual long long start(const std::string& command_line, int window_style) = 0;
    // Whether a program started here is still running (a program that ended is gone even
    // before anyone collects it).
    virtual bool running(long long pid) = 0;
};

// Through the process-wide service (services().programs).
long long Shell(const std::string& command_line, int window_style = vbMinimizedFocus);

// The real starter: QProcess::startDetached with the native program path.
class DetachedProgramStarter : public ProgramStarter {
public:
    long long start(const std::string& command_line, int window_style) override;
    bool running(long long pid) override;
};

} // namespace platform

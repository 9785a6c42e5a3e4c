#include "platform/shell.h"
#include "platform/failure.h"
#include "platform/files.h"
#include "platform/runtime.h"
#include "platform/services.h"

#include <QProcess>
#include <QString>
#include <QStringList>

#include <fstream>
#include <iterator>

namespace platform {

CommandLine split_command_line(const std::string& command_line)
{
    const auto end = lower_ascii(command_line).find(".exe");
    if (end == std::string::npos)
        return {command_line, {}};
    const auto program_end = end + 4;
    CommandLine split{command_line.substr(0, program_end), {}};
    if (program_end < command_line.size())
        split.tail = command_line.substr(program_end + (command_line[program_end] == ' ' ? 1 : 0));
    return split;
}

// The window style means nothing to the programs we start: each of ours opens no window of
// its own, and a desktop application chooses its own.
long long DetachedProgramStarter::start(const std::string& command_line, int)
{
    const CommandLine split = split_command_line(command_line);
    QStringList arguments;
    if (!split.tail.empty())
        arguments << QString::fromStdString(split.tail);
    qint64 pid = 0;
    const QString program = QString::fromStdString(native_path(split.program));
    if (split.program.empty() || !QProcess::startDetached(program, arguments, QString(), &pid))
        throw StepError(errFileNotFound, "File not found");
    return pid;
}

// The state letter in /proc/<pid>/stat follows the last ')' of the program's name.
bool DetachedProgramStarter::running(long long pid)
{
    std::ifstream stat("/proc/" + std::to_string(pid) + "/stat");
    const std::string line{std::istreambuf_iterator<char>(stat), std::istreambuf_iterator<char>()};
    const auto name_end = line.rfind(')');
    if (pid <= 0 || name_end == std::string::npos || name_end + 2 >= line.size())
        return false;
    const char state = line[name_end + 2];
    return state != 'Z' && state != 'X';
}

long long Shell(const std::string& command_line, int window_style)
{
    return services().programs->start(command_line, window_style);
}

} // namespace platform

#include "platform/shell.h"
#include "platform/failure.h"
#include "platform/files.h"
#include "platform/runtime.h"
#include "platform/services.h"

#include <QProcess>
#include <QString>
#include <QStringList>

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

long long Shell(const std::string& command_line, int window_style)
{
    return services().programs->start(command_line, window_style);
}

} // namespace platform

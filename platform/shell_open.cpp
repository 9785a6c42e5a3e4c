#include "platform/shell_open.h"
#include "platform/files.h"
#include "platform/services.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QProcess>
#include <QProcessEnvironment>
#include <QStandardPaths>
#include <QStringList>

#include <cctype>

namespace platform {
namespace {

constexpr int kQueryMs = 5000;            // a desktop lookup that takes longer has no answer
constexpr qint64 kMaxEntryBytes = 64 * 1024;

// The first line xdg-mime answers, "" when it fails or does not answer in time.
QString xdg_mime(const QStringList& arguments)
{
    QProcess query;
    query.setProgram(QStringLiteral("xdg-mime"));
    query.setArguments(arguments);
    query.setStandardInputFile(QProcess::nullDevice());
    query.start();
    if (!query.waitForFinished(kQueryMs)) {
        query.kill();
        query.waitForFinished(kQueryMs);
        return {};
    }
    if (query.exitStatus() != QProcess::NormalExit || query.exitCode() != 0)
        return {};
    const QByteArray answer = query.readAllStandardOutput().left(4096);
    return QString::fromUtf8(answer.split('\n').first()).trimmed();
}

QStringList application_folders()
{
    const auto env = QProcessEnvironment::systemEnvironment();
    QString home = env.value(QStringLiteral("XDG_DATA_HOME"));
    if (home.isEmpty())
        home = QDir::homePath() + QStringLiteral("/.local/share");
    QString dirs = env.value(QStringLiteral("XDG_DATA_DIRS"));
    if (dirs.isEmpty())
        dirs = QStringLiteral("/usr/local/share:/usr/share");
    QStringList folders{home + QStringLiteral("/applications")};
    for (const QString& dir : dirs.split(u':', Qt::SkipEmptyParts))
        folders << dir + QStringLiteral("/applications");
    return folders;
}

// The Exec line of the [Desktop Entry] group of the first entry of that name.
std::string exec_line_of(const QString& desktop_id)
{
    if (desktop_id.contains(u'/') || !desktop_id.endsWith(QStringLiteral(".desktop")))
        return {};
    for (const QString& folder : application_folders()) {
        QFile entry(folder + u'/' + desktop_id);
        if (!entry.open(QIODevice::ReadOnly))
            continue;
        bool in_entry_group = false;
        for (const QByteArray& raw : entry.read(kMaxEntryBytes).split('\n')) {
            const QByteArray line = raw.trimmed();
            if (line.startsWith('['))
                in_entry_group = line == "[Desktop Entry]";
            else if (in_entry_group && line.startsWith("Exec") && line.mid(4).trimmed().startsWith('='))
                return line.mid(line.indexOf('=') + 1).trimmed().toStdString();
        }
        return {};
    }
    return {};
}

bool has_scheme(const std::string& file)
{
    const auto colon = file.find(':');
    if (colon == std::string::npos || colon < 2)   // "C:" is a drive, not a scheme
        return false;
    for (std::size_t i = 0; i < colon; ++i) {
        const auto c = static_cast<unsigned char>(file[i]);
        if (!std::isalnum(c) && c != '+' && c != '.' && c != '-')
            return false;
    }
    return std::isalpha(static_cast<unsigned char>(file[0])) != 0;
}

// A text that a program would read as an option of its own.
bool reads_as_option(const std::string& text)
{
    const auto first = text.find_first_not_of(" \t");
    return first != std::string::npos && text[first] == '-';
}

long start(const QString& program, const QStringList& arguments)
{
    return QProcess::startDetached(program, arguments) ? SE_OK : SE_ERR_FNF;
}

// The program a desktop entry's Exec line starts: its first field, unquoted by the Desktop
// Entry rules; "" when there is none.
std::string exec_program(const std::string& exec_line)
{
    std::size_t i = exec_line.find_first_not_of(' ');
    if (i == std::string::npos)
        return {};
    std::string program;
    if (exec_line[i] != '"') {
        const auto end = exec_line.find(' ', i);
        return exec_line.substr(i, end == std::string::npos ? std::string::npos : end - i);
    }
    for (++i; i < exec_line.size() && exec_line[i] != '"'; ++i) {
        if (exec_line[i] == '\\' && i + 1 < exec_line.size())
            ++i;
        program += exec_line[i];
    }
    return program;
}

} // namespace

long XdgShellOpen::FindExecutable(const std::string& file, const std::string&, std::string& result)
{
    const QString path = QString::fromStdString(native_path(file));
    if (!QFileInfo(path).isFile())
        return SE_ERR_FNF;
    const QString type = xdg_mime({QStringLiteral("query"), QStringLiteral("filetype"), path});
    if (type.isEmpty())
        return SE_ERR_NOASSOC;
    const QString application = xdg_mime({QStringLiteral("query"), QStringLiteral("default"), type});
    const std::string program = exec_program(exec_line_of(application));
    if (program.empty())
        return SE_ERR_NOASSOC;
    const QString found = program.find('/') == std::string::npos
        ? QStandardPaths::findExecutable(QString::fromStdString(program)) : QString();
    result = found.isEmpty() ? program : found.toStdString();
    return SE_OK;
}

long XdgShellOpen::ShellExecute(const std::string& verb, const std::string& file, const std::string& parameters,
                                const std::string&, int)
{
    if (verb != "open")
        return SE_ERR_NOASSOC;
    if (reads_as_option(file) || reads_as_option(parameters))
        return SE_ERR_ACCESSDENIED;
    if (has_scheme(file))
        return start(QStringLiteral("xdg-open"), {QString::fromStdString(file)});
    QStringList arguments;
    if (!parameters.empty())
        arguments << QString::fromStdString(parameters);
    return start(QString::fromStdString(native_path(file)), arguments);
}

long FindExecutableA(const std::string& file, const std::string& directory, std::string& result)
{
    return services().shell->FindExecutable(file, directory, result);
}

long ShellExecuteA(const std::string& verb, const std::string& file, const std::string& parameters,
                   const std::string& directory, int show_command)
{
    return services().shell->ShellExecute(verb, file, parameters, directory, show_command);
}

} // namespace platform

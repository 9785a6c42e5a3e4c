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
#include <string_view>
#include <vector>

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

// A string value of a desktop entry with its escapes \\s \\n \\t \\r \\\\ undone.
std::string unescaped_value(const std::string& value)
{
    std::string out;
    for (std::size_t i = 0; i < value.size(); ++i) {
        if (value[i] != '\\' || i + 1 == value.size()) {
            out += value[i];
            continue;
        }
        switch (const char code = value[++i]) {
        case 's': out += ' '; break;
        case 'n': out += '\n'; break;
        case 't': out += '\t'; break;
        case 'r': out += '\r'; break;
        case '\\': out += '\\'; break;
        default: out += '\\' + std::string(1, code);   // left for the quoting rules
        }
    }
    return out;
}

// The entry of that name that the desktop finds first; "" when there is none.
QString desktop_entry(const QString& desktop_id)
{
    if (desktop_id.contains(u'/') || !desktop_id.endsWith(QStringLiteral(".desktop")))
        return {};
    for (const QString& folder : application_folders()) {
        const QString entry = folder + u'/' + desktop_id;
        if (QFileInfo(entry).isFile())
            return entry;
    }
    return {};
}

// The Exec value of the entry's [Desktop Entry] group, with the string escapes undone.
std::string exec_line_of(const QString& entry_path)
{
    QFile entry(entry_path);
    if (!entry.open(QIODevice::ReadOnly))
        return {};
    bool in_entry_group = false;
    for (const QByteArray& raw : entry.read(kMaxEntryBytes).split('\n')) {
        const QByteArray line = raw.trimmed();
        if (line.startsWith('['))
            in_entry_group = line == "[Desktop Entry]";
        else if (in_entry_group && line.startsWith("Exec") && line.mid(4).trimmed().startsWith('='))
            return unescaped_value(line.mid(line.indexOf('=') + 1).trimmed().toStdString());
    }
    return {};
}

bool is_desktop_entry(const std::string& file)
{
    return file.ends_with(".desktop") && QFileInfo(QString::fromStdString(file)).isFile();
}

// A program the Exec line names: by path, or found on the search path.
bool is_program(const std::string& name)
{
    const QString program = QString::fromStdString(name);
    if (name.find('/') == std::string::npos)
        return !QStandardPaths::findExecutable(program).isEmpty();
    const QFileInfo file(program);
    return file.isFile() && file.isExecutable();
}

// The program and, for "env NAME=value ... program", the program env goes on to: an entry
// whose browser has gone would otherwise start env alone, which fails where nobody sees it.
bool can_start(const std::vector<std::string>& argv)
{
    if (argv.empty() || !is_program(argv[0]))
        return false;
    if (QFileInfo(QString::fromStdString(argv[0])).fileName() != QLatin1String("env"))
        return true;
    for (std::size_t i = 1; i < argv.size(); ++i) {
        if (argv[i].starts_with('-'))
            return true;   // env's own options: what follows is env's to read
        if (argv[i].find('=') == std::string::npos)
            return is_program(argv[i]);
    }
    return false;
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

long start(const std::vector<std::string>& argv)
{
    if (!can_start(argv))
        return SE_ERR_FNF;
    QStringList arguments;
    for (std::size_t i = 1; i < argv.size(); ++i)
        arguments << QString::fromStdString(argv[i]);
    return QProcess::startDetached(QString::fromStdString(argv[0]), arguments) ? SE_OK : SE_ERR_FNF;
}

} // namespace

// The application is its desktop entry: opening with it runs the entry's Exec line.
long XdgShellOpen::FindExecutable(const std::string& file, const std::string&, std::string& result)
{
    const QString path = QString::fromStdString(native_path(file));
    if (!QFileInfo(path).isFile())
        return SE_ERR_FNF;
    const QString type = xdg_mime({QStringLiteral("query"), QStringLiteral("filetype"), path});
    if (type.isEmpty())
        return SE_ERR_NOASSOC;
    const QString entry = desktop_entry(xdg_mime({QStringLiteral("query"), QStringLiteral("default"), type}));
    if (entry.isEmpty() || exec_arguments(exec_line_of(entry), "").empty())
        return SE_ERR_NOASSOC;
    result = entry.toStdString();
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
        return start({"xdg-open", file});
    const std::string program = native_path(file);
    if (is_desktop_entry(program))
        return start(exec_arguments(exec_line_of(QString::fromStdString(program)), parameters));
    if (parameters.empty())
        return start({program});
    return start({program, parameters});
}

std::vector<std::string> exec_arguments(const std::string& exec_line, const std::string& address)
{
    std::vector<std::string> argv;
    std::string word;
    bool in_word = false, quoted = false, address_asked = false;
    const auto add = [&](std::string_view text) {
        word += text;
        in_word = true;
    };
    for (std::size_t i = 0; i < exec_line.size(); ++i) {
        const char c = exec_line[i];
        if (!quoted && (c == ' ' || c == '\t')) {
            if (in_word)
                argv.push_back(word);
            word.clear();
            in_word = false;
        } else if (c == '"') {
            quoted = !quoted;
            in_word = true;
        } else if (c == '\\' && i + 1 < exec_line.size()) {
            add(exec_line.substr(++i, 1));
        } else if (c == '%' && i + 1 < exec_line.size()) {
            const char code = exec_line[++i];
            if (code == '%') {
                add("%");
            } else if (std::string_view("uUfF").find(code) != std::string_view::npos) {
                address_asked = true;
                if (!address.empty())
                    add(address);
            }
        } else {
            add(std::string_view(&c, 1));
        }
    }
    if (in_word)
        argv.push_back(word);
    if (!address_asked && !address.empty())
        argv.push_back(address);
    return argv;
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

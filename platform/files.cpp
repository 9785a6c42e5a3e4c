#include "platform/files.h"

#include "platform/failure.h"

#include <QCoreApplication>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QSaveFile>

#include <algorithm>
#include <array>

namespace platform {

namespace {

std::string& program_folder_override()
{
    static std::string folder;
    return folder;
}

std::string& home_folder_override()
{
    static std::string folder;
    return folder;
}

std::string& stored_command_line()
{
    static std::string line;
    return line;
}

QString qt(const std::string& text) { return QString::fromStdString(text); }

std::string home_folder()
{
    const std::string& home = home_folder_override();
    std::string folder = home.empty() ? QDir::homePath().toStdString() : home;
    while (folder.size() > 1 && folder.back() == '/')
        folder.pop_back();
    return folder;
}

bool is_drive_c(std::string_view path)
{
    return path.size() >= 2 && (path[0] == 'C' || path[0] == 'c') && path[1] == ':';
}

// --- directory search ---------------------------------------------------------------

bool has_wildcard(const QString& name)
{
    return name.contains(QLatin1Char('*')) || name.contains(QLatin1Char('?'));
}

// The two wildcards of a directory search: * any run of characters, ? one character.
bool wildcard_match(QStringView pattern, QStringView name)
{
    qsizetype p = 0, n = 0, star = -1, resume = 0;
    while (n < name.size()) {
        if (p < pattern.size() && (pattern[p] == QLatin1Char('?') || pattern[p] == name[n])) {
            ++p;
            ++n;
        } else if (p < pattern.size() && pattern[p] == QLatin1Char('*')) {
            star = p++;
            resume = n;
        } else if (star >= 0) {
            p = star + 1;
            n = ++resume;
        } else {
            return false;
        }
    }
    while (p < pattern.size() && pattern[p] == QLatin1Char('*'))
        ++p;
    return p == pattern.size();
}

bool is_dot_entry(const QString& name)
{
    return name == QLatin1String(".") || name == QLatin1String("..");
}

bool is_hidden(const QString& name)
{
    return name.startsWith(QLatin1Char('.')) && !is_dot_entry(name);
}

// Whether an entry is of a kind the attribute bits admit. A broken link names nothing.
bool admitted(const QFileInfo& entry, int attributes)
{
    if (!entry.exists())
        return false;
    if (is_hidden(entry.fileName()) && !(attributes & vbHidden))
        return false;
    if (entry.isDir())
        return (attributes & vbDirectory) != 0;
    return true;
}

// Every folder holds "." and "..", which a folder search yields like any other folder.
bool dot_entry_matches(const QDir& folder, const QString& pattern, int attributes)
{
    return (attributes & vbDirectory) && folder.exists()
        && (wildcard_match(pattern, u".") || wildcard_match(pattern, u".."));
}

bool listing_matches(const QString& folder_path, const QString& pattern, int attributes)
{
    const QDir folder(folder_path);
    if (dot_entry_matches(folder, pattern, attributes))
        return true;
    const QFileInfoList entries = folder.entryInfoList(
        QDir::AllEntries | QDir::Hidden | QDir::System | QDir::NoDotAndDotDot);
    for (const QFileInfo& entry : entries) {
        if (wildcard_match(pattern, entry.fileName()) && admitted(entry, attributes))
            return true;
    }
    return false;
}

// --- text decoding --------------------------------------------------------------------

void append_utf8(std::string& out, char32_t code)
{
    if (code < 0x80) {
        out += static_cast<char>(code);
    } else if (code < 0x800) {
        out += static_cast<char>(0xC0 | (code >> 6));
        out += static_cast<char>(0x80 | (code & 0x3F));
    } else {
        out += static_cast<char>(0xE0 | (code >> 12));
        out += static_cast<char>(0x80 | ((code >> 6) & 0x3F));
        out += static_cast<char>(0x80 | (code & 0x3F));
    }
}

// Length of the valid UTF-8 sequence starting at i, 0 when there is none (overlong forms,
// surrogates and code points above U+10FFFF are not valid).
size_t utf8_sequence(std::string_view bytes, size_t i)
{
    const auto byte = [&](size_t k) { return static_cast<unsigned char>(bytes[k]); };
    const unsigned char lead = byte(i);
    if (lead < 0x80)
        return 1;
    size_t length = 0;
    unsigned char low = 0x80, high = 0xBF;
    if (lead >= 0xC2 && lead <= 0xDF) {
        length = 2;
    } else if (lead >= 0xE0 && lead <= 0xEF) {
        length = 3;
        low = lead == 0xE0 ? 0xA0 : 0x80;
        high = lead == 0xED ? 0x9F : 0xBF;
    } else if (lead >= 0xF0 && lead <= 0xF4) {
        length = 4;
        low = lead == 0xF0 ? 0x90 : 0x80;
        high = lead == 0xF4 ? 0x8F : 0xBF;
    } else {
        return 0;
    }
    if (i + length > bytes.size())
        return 0;
    if (byte(i + 1) < low || byte(i + 1) > high)
        return 0;
    for (size_t k = 2; k < length; ++k) {
        if (byte(i + k) < 0x80 || byte(i + k) > 0xBF)
            return 0;
    }
    return length;
}

bool is_valid_utf8(std::string_view bytes)
{
    for (size_t i = 0; i < bytes.size();) {
        const size_t length = utf8_sequence(bytes, i);
        if (length == 0)
            return false;
        i += length;
    }
    return true;
}

std::string decode_windows_1252(std::string_view bytes)
{
    // 0x80..0x9F; the five bytes the code page leaves undefined keep their own code point.
    static constexpr std::array<char16_t, 32> high = {
        0x20AC, 0x0081, 0x201A, 0x0192, 0x201E, 0x2026, 0x2020, 0x2021,
        0x02C6, 0x2030, 0x0160, 0x2039, 0x0152, 0x008D, 0x017D, 0x008F,
        0x0090, 0x2018, 0x2019, 0x201C, 0x201D, 0x2022, 0x2013, 0x2014,
        0x02DC, 0x2122, 0x0161, 0x203A, 0x0153, 0x009D, 0x017E, 0x0178,
    };
    std::string out;
    out.reserve(bytes.size() * 2);
    for (char c : bytes) {
        const auto byte = static_cast<unsigned char>(c);
        append_utf8(out, byte >= 0x80 && byte <= 0x9F ? high[byte - 0x80] : char32_t(byte));
    }
    return out;
}

std::vector<std::string> split_lines(std::string_view text)
{
    std::vector<std::string> lines;
    size_t start = 0;
    for (size_t i = 0; i < text.size(); ++i) {
        if (text[i] != '\r' && text[i] != '\n')
            continue;
        lines.emplace_back(text.substr(start, i - start));
        if (text[i] == '\r' && i + 1 < text.size() && text[i + 1] == '\n')
            ++i;
        start = i + 1;
    }
    if (start < text.size())
        lines.emplace_back(text.substr(start));
    return lines;
}

[[noreturn]] void file_not_found()
{
    throw StepError(errFileNotFound, "File not found");
}

[[noreturn]] void access_error()
{
    throw StepError(errPathFileAccess, "Path/File access error");
}

} // namespace

std::string program_folder()
{
    const std::string& folder = program_folder_override();
    if (!folder.empty() || !QCoreApplication::instance())   // a helper without an application has none
        return folder;
    return QCoreApplication::applicationDirPath().toStdString();
}

void set_program_folder(std::string folder) { program_folder_override() = std::move(folder); }

std::string program_file_name()
{
    return QFileInfo(QCoreApplication::applicationFilePath()).fileName().toStdString();
}

void set_command_line(int argc, char** argv)
{
    std::string line;
    for (int i = 1; i < argc; ++i) {
        if (i > 1)
            line += ' ';
        line += argv[i];
    }
    stored_command_line() = std::move(line);
}

const std::string& command_line() { return stored_command_line(); }

std::string current_folder() { return QDir::currentPath().toStdString(); }

void set_current_folder(const std::string& windows_path)
{
    if (!QDir::setCurrent(qt(native_path(windows_path))))
        throw StepError(errPathNotFound, "Path not found");
}

std::string native_path(std::string_view windows_path)
{
    std::string path(windows_path);
    // On this side "\" is an ordinary character of a file name: a native path (the one a
    // file dialog returns) that names an existing entry as it is written stays as it is.
    if (path.starts_with('/') && path.find('\\') != std::string::npos && QFileInfo::exists(qt(path)))
        return path;
    // A "\" in the program folder's own name is a character of that name, not a separator.
    const std::string program = program_folder();
    const size_t kept = path.starts_with(program) && (path.size() == program.size() || path[program.size()] == '\\'
                                                       || path[program.size()] == '/') ? program.size() : 0;
    std::replace(path.begin() + static_cast<std::ptrdiff_t>(kept), path.end(), '\\', '/');
    if (!is_drive_c(path))
        return path;
    // "C:name" is relative to drive C's folder: its root here.
    const std::string rest = path.size() > 2 && path[2] != '/' ? "/" + path.substr(2) : path.substr(2);
    const std::string home = home_folder();
    return home == "/" && !rest.empty() ? rest : home + rest;
}

void set_home_folder(std::string folder) { home_folder_override() = std::move(folder); }

bool dir_match(const std::string& windows_path, int attributes)
{
    const QString path = qt(native_path(windows_path));
    const qsizetype slash = path.lastIndexOf(QLatin1Char('/'));
    const QString folder = slash < 0 ? QStringLiteral(".") : path.left(slash == 0 ? 1 : slash);
    QString name = path.mid(slash + 1);
    if (name.isEmpty() || name == QLatin1String("*.*"))
        name = QStringLiteral("*");
    if (has_wildcard(name))
        return listing_matches(folder, name, attributes);
    return admitted(QFileInfo(QDir(folder), name), attributes);
}

void kill_file(const std::string& windows_path)
{
    const QString path = qt(native_path(windows_path));
    const QFileInfo info(path);
    if (!info.exists() || info.isDir())
        file_not_found();
    if (!QFile::remove(path))
        access_error();
}

std::string decode_text(std::string_view bytes)
{
    if (!is_valid_utf8(bytes))
        return decode_windows_1252(bytes);
    constexpr std::string_view bom = "\xEF\xBB\xBF";
    if (bytes.substr(0, bom.size()) == bom)
        bytes.remove_prefix(bom.size());
    return std::string(bytes);
}

std::string read_text_file(const std::string& windows_path)
{
    QFile file(qt(native_path(windows_path)));
    if (!file.exists())
        file_not_found();
    // Only an ordinary file of bounded size: a device or a pipe picked by name could be read
    // forever.
    const QFileInfo info(file);
    if (!info.isFile() || info.size() > kMaxTextFileBytes || !file.open(QIODevice::ReadOnly))
        access_error();
    const QByteArray bytes = file.read(info.size());   // what the file needs, not the bound
    return decode_text(std::string_view(bytes.constData(), static_cast<size_t>(bytes.size())));
}

std::vector<std::string> read_text_lines(const std::string& windows_path)
{
    return split_lines(read_text_file(windows_path));
}

ReplacingFile::ReplacingFile(const std::string& windows_path)
    : file_(std::make_unique<QSaveFile>(qt(native_path(windows_path))))
{
    if (!file_->open(QIODevice::WriteOnly))
        access_error();
}

ReplacingFile::~ReplacingFile() = default;

void ReplacingFile::write(const char* bytes, size_t count)
{
    if (file_->write(bytes, qint64(count)) != qint64(count))
        access_error();
}

void ReplacingFile::commit()
{
    if (!file_->commit())
        access_error();
}

} // namespace platform

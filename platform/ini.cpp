#include "platform/ini.h"

#include "platform/files.h"

#include <QFile>
#include <QFileInfo>
#include <QString>
#include <memory>
#include <optional>
#include <string_view>
#include <unordered_map>
#include <unordered_set>

namespace platform {
namespace {

bool is_blank(char c) { return c == ' ' || c == '\t'; }

std::string_view trim(std::string_view s)
{
    while (!s.empty() && is_blank(s.front()))
        s.remove_prefix(1);
    while (!s.empty() && is_blank(s.back()))
        s.remove_suffix(1);
    return s;
}

bool is_ascii(std::string_view s)
{
    for (unsigned char c : s)
        if (c >= 0x80)
            return false;
    return true;
}

char ascii_lower(char c) { return c >= 'A' && c <= 'Z' ? char(c - 'A' + 'a') : c; }

std::string_view without_quotes(std::string_view v)
{
    if (v.size() >= 2 && (v.front() == '"' || v.front() == '\'') && v.back() == v.front())
        return v.substr(1, v.size() - 2);
    return v;
}

// Names compare without regard to case, in every script, as the Windows call does: they are
// kept folded.
std::string folded(std::string_view name)
{
    if (!is_ascii(name)) {
        const QString text = QString::fromUtf8(name.data(), qsizetype(name.size()));
        return text.toCaseFolded().toStdString();
    }
    std::string s(name);
    for (char& c : s)
        c = ascii_lower(c);
    return s;
}

// Every value of a file, under the folded section name, a line feed and the folded key. Only
// the first section of a name and the first key of a name in it count.
using IniIndex = std::unordered_map<std::string, std::string>;

IniIndex index_of(std::string_view text)
{
    IniIndex index;
    std::unordered_set<std::string> sections;
    std::optional<std::string> section;   // none before the first section or in a repeated one
    while (!text.empty()) {
        const std::size_t end = text.find_first_of("\r\n");
        const std::string_view line = trim(text.substr(0, end));
        text.remove_prefix(end == std::string_view::npos ? text.size() : end + 1);

        if (line.empty() || line.front() == ';')
            continue;
        if (line.front() == '[') {
            const std::size_t close = line.find(']');
            if (close == std::string_view::npos)
                continue;
            std::string name = folded(trim(line.substr(1, close - 1)));
            section.reset();
            if (sections.insert(name).second)
                section = std::move(name);
            continue;
        }
        const std::size_t eq = line.find('=');
        if (!section || eq == std::string_view::npos)
            continue;
        const std::string_view name = trim(line.substr(0, eq));
        if (!name.empty())
            index.try_emplace(*section + '\n' + folded(name), without_quotes(trim(line.substr(eq + 1))));
    }
    return index;
}

// The file's bytes, read with the memory its size needs: the reader runs once a value when no
// cache lives. None for a file that cannot be read or is larger than any text file we read.
std::string bytes_of(const std::string& file)
{
    QFile source(QString::fromStdString(native_path(file)));
    const QFileInfo info(source);
    if (!info.isFile() || info.size() > kMaxTextFileBytes || !source.open(QIODevice::ReadOnly))
        return {};
    const QByteArray bytes = source.read(info.size());
    return std::string(bytes.constData(), static_cast<std::size_t>(bytes.size()));
}

// A file that cannot be read has no values. NUL bytes at its end (a file padded by the program
// that wrote it) end the text, as on Windows; one with a NUL inside is no text file.
std::shared_ptr<const IniIndex> read_index(const std::string& file)
{
    std::string bytes = bytes_of(file);
    bytes.erase(bytes.find_last_not_of('\0') + 1);
    if (bytes.find('\0') != std::string::npos)
        bytes.clear();
    return std::make_shared<const IniIndex>(index_of(decode_text(bytes)));
}

// The files indexed while an IniFileCache lives, by the name the caller gave.
struct Cache {
    int holders = 0;
    std::unordered_map<std::string, std::shared_ptr<const IniIndex>> files;
};

Cache& cache()
{
    static Cache c;
    return c;
}

std::shared_ptr<const IniIndex> index_for(const std::string& file)
{
    Cache& c = cache();
    if (c.holders == 0)
        return read_index(file);
    auto& held = c.files[file];
    if (!held)
        held = read_index(file);
    return held;
}

// Copies at most `limit` characters (not bytes: a character is never split).
ProfileString copy_cut(std::string_view s, std::size_t limit)
{
    std::size_t chars = 0, bytes = 0;
    while (bytes < s.size()) {
        if (chars == limit)
            break;
        ++bytes;
        while (bytes < s.size() && (static_cast<unsigned char>(s[bytes]) & 0xC0) == 0x80)
            ++bytes;
        ++chars;
    }
    return {std::string(s.substr(0, bytes)), chars};
}

} // namespace

ProfileString GetPrivateProfileString(const std::string& section, const std::string& key,
                                      const std::string& default_value, std::size_t capacity,
                                      const std::string& file)
{
    const std::size_t limit = capacity == 0 ? 0 : capacity - 1;
    std::string_view value = default_value;
    while (!value.empty() && is_blank(value.back()))
        value.remove_suffix(1);

    const auto index = index_for(file);
    const auto found = index->find(folded(section) + '\n' + folded(key));
    if (found != index->end())
        value = found->second;
    return copy_cut(value, limit);
}

IniFileCache::IniFileCache()
{
    ++cache().holders;
}

IniFileCache::~IniFileCache()
{
    if (--cache().holders == 0)
        cache().files.clear();
}

} // namespace platform

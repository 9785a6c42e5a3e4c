#include "platform/ini.h"

#include "platform/files.h"

#include <QString>
#include <exception>
#include <optional>
#include <string_view>

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

// Names compare without regard to case, in every script, as the Windows call does.
bool same_name(std::string_view a, std::string_view b)
{
    if (is_ascii(a) && is_ascii(b)) {
        if (a.size() != b.size())
            return false;
        for (std::size_t i = 0; i < a.size(); ++i)
            if (ascii_lower(a[i]) != ascii_lower(b[i]))
                return false;
        return true;
    }
    return QString::fromUtf8(a.data(), qsizetype(a.size()))
               .compare(QString::fromUtf8(b.data(), qsizetype(b.size())), Qt::CaseInsensitive) == 0;
}

std::string_view without_quotes(std::string_view v)
{
    if (v.size() >= 2 && (v.front() == '"' || v.front() == '\'') && v.back() == v.front())
        return v.substr(1, v.size() - 2);
    return v;
}

// The first line of the first section named `section` whose key is `key`.
std::optional<std::string_view> find_value(std::string_view text, std::string_view section,
                                           std::string_view key)
{
    bool inside = false;
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
            if (inside)
                return std::nullopt;
            inside = same_name(trim(line.substr(1, close - 1)), section);
            continue;
        }
        if (!inside)
            continue;
        const std::size_t eq = line.find('=');
        if (eq == std::string_view::npos)
            continue;
        const std::string_view name = trim(line.substr(0, eq));
        if (!name.empty() && same_name(name, key))
            return without_quotes(trim(line.substr(eq + 1)));
    }
    return std::nullopt;
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

    // A file that cannot be read has no values; one with a NUL byte is no text file.
    std::string text;
    try {
        text = read_text_file(file);
    } catch (const std::exception&) {
        text.clear();
    }
    if (text.find('\0') == std::string::npos) {
        if (const auto found = find_value(text, section, key))
            value = *found;
    }
    return copy_cut(value, limit);
}

} // namespace platform

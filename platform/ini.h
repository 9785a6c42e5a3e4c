#pragma once
// Reading one value of an INI file the way GetPrivateProfileStringA does:
// - lines end with LF, CR LF or CR; a UTF-8 byte-order mark is skipped; the bytes are read as
//   UTF-8 when valid, else as Windows-1252;
// - blanks (spaces, tabs) around section names, keys, "=" and values are ignored;
// - a line beginning with ";" is a comment; "#" is an ordinary character, as on Windows;
// - section and key names match without regard to letter case;
// - a key before the first section belongs to no section and is never found;
// - when a section or key occurs twice the first one counts; later sections of the same
//   name are not looked at;
// - one pair of matching quotes (" or ') around the whole value is removed;
// - NUL bytes at the end of a file end its text; a file with a NUL byte before its end is not
//   a text file: nothing is found in it.
#include <cstddef>
#include <string>

namespace platform {

struct ProfileString {
    std::string text;     // what the caller's buffer holds: at most capacity - 1 characters
    std::size_t count;    // characters copied, without the terminator
};

// The value of key in section of file (a path written the Windows way), cut to capacity - 1
// characters; default_value, without its trailing blanks, when the file, the section or the
// key is missing.
ProfileString GetPrivateProfileString(const std::string& section, const std::string& key,
                                      const std::string& default_value, std::size_t capacity,
                                      const std::string& file);

// While one lives, each file is read and indexed once, at its first value: a routine that asks
// one file for thousands of values reads it once. Changes to the file meanwhile are not seen.
class IniFileCache {
public:
    IniFileCache();
    ~IniFileCache();
    IniFileCache(const IniFileCache&) = delete;
    IniFileCache& operator=(const IniFileCache&) = delete;
};

} // namespace platform

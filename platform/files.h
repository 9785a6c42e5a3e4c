#pragma once
// The program folder, the command line, the current folder and the file operations the
// program uses. Paths arrive written the Windows way and are converted once, here, at the
// file-system edge (native_path). Texts are UTF-8.
#include "platform/failure.h"

#include <memory>
#include <string>
#include <string_view>
#include <vector>

class QSaveFile;

namespace platform {

// Attribute bits of a directory search.
enum FileAttribute : int {
    vbNormal = 0,
    vbHidden = 2,
    vbSystem = 4,
    vbDirectory = 16,
};

// The folder of the running executable, native, without a trailing "/"; "" in a helper
// program that has no application object.
std::string program_folder();
// Tests point the program folder elsewhere; "" returns to the executable's folder.
void set_program_folder(std::string folder);
// The running executable's file name, whatever the user renamed it to.
std::string program_file_name();

// The arguments after the program name, joined by one blank.
void set_command_line(int argc, char** argv);
const std::string& command_line();

std::string current_folder();
// Throws StepError(errPathNotFound) when the folder cannot be entered.
void set_current_folder(const std::string& windows_path);

// "\" becomes "/"; a path on drive C ("C:\...", "c:\...", "C:", "C:/...") is rooted at the
// home folder. Other drive letters are left as they are: they name no folder here, so an
// access through them fails as it would for a missing drive. A native path passes unchanged;
// one that holds a "\" does when it names an existing entry as it is written. The program
// folder at the start of a path is native whatever it holds: only what follows it converts.
std::string native_path(std::string_view windows_path);
// Tests root drive C elsewhere; "" returns to the user's home folder.
void set_home_folder(std::string folder);

// Whether a directory search of the path yields a name, as the old Dir(path, attributes):
// with 0 only ordinary files count; vbHidden widens to hidden entries (names beginning with
// "."), vbDirectory to folders; vbSystem adds nothing here. The last component may hold the
// wildcards * and ?; an empty one (a path ending in "\") stands for every entry.
bool dir_match(const std::string& windows_path, int attributes = vbNormal);

// Deletes a file. Throws StepError(errFileNotFound, "File not found") when there is no such
// file, StepError(errPathFileAccess) when it cannot be removed.
void kill_file(const std::string& windows_path);

// Bytes of an outside text file as UTF-8: kept when they are valid UTF-8 (a byte-order mark
// removed), otherwise read as Windows-1252.
std::string decode_text(std::string_view bytes);

// A whole text file, decoded as above. Throws StepError(errFileNotFound) when missing,
// StepError(errPathFileAccess) when it cannot be read, is no ordinary file or holds more than
// kMaxTextFileBytes.
constexpr long long kMaxTextFileBytes = 64LL * 1024 * 1024;
std::string read_text_file(const std::string& windows_path);
// The same split into lines at CR LF, LF or a lone CR; a last line without an end counts.
std::vector<std::string> read_text_lines(const std::string& windows_path);

// A file written whole or not at all: the bytes go to an unnamed temporary file beside the
// destination, which takes the destination's place only at commit. Dropped without a commit,
// or with the program dying, it leaves the destination as it was and nothing behind.
// Throws StepError(errPathFileAccess) when the file cannot be made, written or put in place.
class ReplacingFile {
public:
    explicit ReplacingFile(const std::string& windows_path);
    ~ReplacingFile();
    void write(const char* bytes, size_t count);
    void commit();

private:
    std::unique_ptr<QSaveFile> file_;
};

} // namespace platform

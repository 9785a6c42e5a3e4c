#pragma once
// Every service that would block or reach outside the process goes through here, behind an
// interface with a real implementation and a recording double (tests/support/doubles.h).
#include "platform/internet.h"
#include "platform/shell.h"
#include "platform/shell_open.h"
#include "platform/tray.h"

#include <memory>
#include <string>
#include <utility>
#include <vector>

class QFileDialog;
class QMenu;

namespace platform {

// Message boxes, with the old runtime's style bits and answers.
enum MsgBoxStyle : int {
    vbOKOnly = 0, vbOKCancel = 1, vbYesNo = 4,
    vbCritical = 16, vbQuestion = 32, vbExclamation = 48, vbInformation = 64,
    vbDefaultButton2 = 256,
};
enum MsgBoxResult : int { vbOK = 1, vbCancel = 2, vbYes = 6, vbNo = 7 };

class MessageBoxService {
public:
    virtual ~MessageBoxService() = default;
    virtual int show(const std::string& text, int style, const std::string& title) = 0;
};

// The open-file dialog: title, filter pairs (label, patterns), start folder. Returns the
// picked path, "" on cancel; a pick makes the picked file's folder the current folder.
struct OpenFileRequest {
    std::string title;
    std::vector<std::pair<std::string, std::string>> filters;
    std::string initial_dir;
};
class OpenFileService {
public:
    virtual ~OpenFileService() = default;
    virtual std::string pick(const OpenFileRequest& request) = 0;
};
// The real dialog for a request, not yet shown.
std::unique_ptr<QFileDialog> open_file_dialog(const OpenFileRequest& request);

// Pop-up menus shown at the mouse pointer.
class PopupMenuService {
public:
    virtual ~PopupMenuService() = default;
    virtual void popup(QMenu& menu) = 0;
};

// Asynchronous .wav playback; a new sound replaces the one playing. path is native.
class SoundService {
public:
    virtual ~SoundService() = default;
    virtual bool play(const std::string& path, bool loop) = 0;
};

struct Services {
    std::unique_ptr<MessageBoxService> messages;
    std::unique_ptr<OpenFileService> open_file;
    std::unique_ptr<PopupMenuService> popup_menu;
    std::unique_ptr<SoundService> sound;
    std::unique_ptr<ShellOpenService> shell;
    std::unique_ptr<ProgramStarter> programs;
    std::unique_ptr<TrayService> tray;
    std::unique_ptr<InternetService> internet;
};

// The process-wide services, real ones unless a test replaced them.
Services& services();

// From now on no message box is shown: the program is ending with nobody to answer it.
void set_unattended();

// Shortcut for the message box, titled by the caller (the application's title as a rule).
int MsgBox(const std::string& text, int style, const std::string& title);

} // namespace platform

#pragma once
// Recording doubles of the layer's services: scripted answers, recorded requests.
#include "platform/files.h"
#include "platform/services.h"

#include <QFile>
#include <QMenu>
#include <deque>
#include <functional>
#include <map>
#include <string>
#include <vector>

namespace testing_support {

struct ShownMessage {
    std::string text;
    int style;
    std::string title;
};

class RecordingMessageBoxes : public platform::MessageBoxService {
public:
    std::vector<ShownMessage> shown;
    std::deque<int> answers;   // popped in order; vbOK/vbNo when empty
    int show(const std::string& text, int style, const std::string& title) override
    {
        shown.push_back({text, style, title});
        if (answers.empty())
            return (style & 0x7) == platform::vbYesNo ? platform::vbNo : platform::vbOK;
        const int a = answers.front();
        answers.pop_front();
        return a;
    }
};

class RecordingOpenFile : public platform::OpenFileService {
public:
    std::vector<platform::OpenFileRequest> requests;
    std::deque<std::string> answers;          // "" is a cancel
    std::string pick(const platform::OpenFileRequest& request) override;
};

class RecordingPopupMenu : public platform::PopupMenuService {
public:
    std::vector<QMenu*> shown;
    void popup(QMenu& menu) override { shown.push_back(&menu); }
};

class RecordingSound : public platform::SoundService {
public:
    std::vector<std::string> played;   // native paths
    bool play(const std::string& path, bool) override { played.push_back(path); return true; }
};

struct ShellExecuted {
    std::string verb, file, parameters, directory;
    int show_command;
};
class RecordingShellOpen : public platform::ShellOpenService {
public:
    std::vector<std::string> looked_up;   // the files asked about, with their bytes then
    std::vector<std::string> looked_up_bytes;
    std::vector<ShellExecuted> executed;
    std::string program = "C:\\Browser\\browser.exe";
    long FindExecutable(const std::string& file, const std::string&, std::string& result) override
    {
        looked_up.push_back(file);
        QFile probe(QString::fromStdString(platform::native_path(file)));
        looked_up_bytes.push_back(probe.open(QIODevice::ReadOnly) ? probe.readAll().toStdString() : "<missing>");
        result = program;
        return platform::SE_OK;
    }
    long ShellExecute(const std::string& verb, const std::string& file, const std::string& parameters,
                      const std::string& directory, int show_command) override
    {
        executed.push_back({verb, file, parameters, directory, show_command});
        return platform::SE_OK;
    }
    // Each open as its user sees it: a mailto address, or the page given to the browser.
    std::vector<std::string> opened() const
    {
        std::vector<std::string> out;
        for (const auto& e : executed)
            out.push_back(e.file.rfind("mailto:", 0) == 0 ? e.file : e.parameters);
        return out;
    }
};

struct StartedProgram {
    std::string command_line;
    int window_style;
};
class RecordingPrograms : public platform::ProgramStarter {
public:
    std::vector<StartedProgram> started;
    bool fail = false;   // every start fails as a missing program does
    std::function<void(const std::string&)> on_start;   // plays the started program's part
    bool still_running = true;
    long long start(const std::string& command_line, int window_style) override;
    bool running(long long) override { return still_running; }
};

// A scripted web: a URL without a page fails to open as an unresolvable host does.
struct ScriptedPage {
    std::string body;
    int status = 200;
    uint32_t read_error = 0;   // when set, the read after the body fails with this code
};
class RecordingInternet : public platform::InternetService {
public:
    std::map<std::string, ScriptedPage> pages;
    std::vector<std::string> agents;
    std::vector<std::string> urls;   // every URL asked for, in order
    platform::HINTERNET open(const std::string& user_agent) override;
    platform::HINTERNET open_url(platform::HINTERNET, const std::string& url) override;
    bool read_file(platform::HINTERNET url, char* buffer, uint32_t length, uint32_t& read) override;
    bool close_handle(platform::HINTERNET handle) override { return requests_.erase(handle) || handle; }
    int status_code(platform::HINTERNET url) override { return requests_.at(url).first.status; }

private:
    std::map<platform::HINTERNET, std::pair<ScriptedPage, size_t>> requests_;   // the page, bytes sent
    platform::HINTERNET next_ = 1;
};

struct TrayCall {
    int message;
    platform::NotifyIconData data;
};
class RecordingTray : public platform::TrayService {
public:
    std::vector<TrayCall> calls;
    bool present = true;   // the desktop has a notification area
    int notify(int message, const platform::NotifyIconData& data) override
    {
        calls.push_back({message, data});
        return message == platform::NIM_ADD && !present ? 0 : 1;
    }
    bool available() override { return present; }
    // The user's mouse on the icon last added: its message reaches the record's owner.
    void mouse(int mouse_message);
};

// Installs fresh doubles for one test and puts the previous services back afterwards.
class ServiceDoubles {
public:
    ServiceDoubles();
    ~ServiceDoubles();
    RecordingMessageBoxes* messages;
    RecordingOpenFile* open_file;
    RecordingPopupMenu* popup_menu;
    RecordingSound* sound;
    RecordingShellOpen* shell;
    RecordingPrograms* programs;
    RecordingTray* tray;
    RecordingInternet* internet;

private:
    platform::Services saved_;
};

} // namespace testing_support

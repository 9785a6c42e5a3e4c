#include "tests/support/doubles.h"
#include "platform/failure.h"

#include <QDir>
#include <QFileInfo>

namespace testing_support {

std::string RecordingOpenFile::pick(const platform::OpenFileRequest& request)
{
    requests.push_back(request);
    if (answers.empty())
        return {};
    std::string picked = answers.front();
    answers.pop_front();
    if (!picked.empty())
        QDir::setCurrent(QFileInfo(QString::fromStdString(picked)).absolutePath());
    return picked;
}

long long RecordingPrograms::start(const std::string& command_line, int window_style)
{
    started.push_back({command_line, window_style});
    if (fail)
        throw platform::StepError(platform::errFileNotFound, "File not found");
    return 4242;
}

void RecordingTray::mouse(int mouse_message)
{
    for (auto call = calls.rbegin(); call != calls.rend(); ++call) {
        if (call->message == platform::NIM_ADD) {
            platform::send_tray_message(call->data.hWnd, mouse_message);
            return;
        }
    }
}

namespace {

template <class Double, class Service>
Double* install(std::unique_ptr<Service>& slot)
{
    auto fresh = std::make_unique<Double>();
    Double* raw = fresh.get();
    slot = std::move(fresh);
    return raw;
}

} // namespace

ServiceDoubles::ServiceDoubles()
{
    auto& s = platform::services();
    saved_ = std::move(s);
    messages = install<RecordingMessageBoxes>(s.messages);
    open_file = install<RecordingOpenFile>(s.open_file);
    popup_menu = install<RecordingPopupMenu>(s.popup_menu);
    sound = install<RecordingSound>(s.sound);
    desktop = install<RecordingDesktop>(s.desktop);
    programs = install<RecordingPrograms>(s.programs);
    tray = install<RecordingTray>(s.tray);
}

ServiceDoubles::~ServiceDoubles()
{
    platform::services() = std::move(saved_);
}

} // namespace testing_support

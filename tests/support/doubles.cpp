#include "tests/support/doubles.h"
#include "platform/failure.h"

#include <QDir>
#include <algorithm>
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
    if (on_start)
        on_start(command_line);
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

platform::HINTERNET RecordingInternet::open(const std::string& user_agent)
{
    agents.push_back(user_agent);
    return next_++;
}

platform::HINTERNET RecordingInternet::open_url(platform::HINTERNET, const std::string& url)
{
    urls.push_back(url);
    const auto page = pages.find(url);
    platform::set_last_dll_error(page == pages.end() ? platform::ERROR_INTERNET_NAME_NOT_RESOLVED : 0u);
    if (page == pages.end())
        return 0;
    requests_[next_] = {page->second, 0};
    return next_++;
}

bool RecordingInternet::read_file(platform::HINTERNET url, char* buffer, uint32_t length, uint32_t& read)
{
    auto& [page, sent] = requests_.at(url);
    read = uint32_t(std::min<size_t>(length, page.body.size() - sent));
    std::copy_n(page.body.data() + sent, read, buffer);
    sent += read;
    const bool fails = read == 0 && page.read_error != 0;
    platform::set_last_dll_error(fails ? page.read_error : 0u);
    return !fails;
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
    shell = install<RecordingShellOpen>(s.shell);
    programs = install<RecordingPrograms>(s.programs);
    tray = install<RecordingTray>(s.tray);
    internet = install<RecordingInternet>(s.internet);
}

ServiceDoubles::~ServiceDoubles() { platform::services() = std::move(saved_); }

} // namespace testing_support

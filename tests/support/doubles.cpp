#include "tests/support/doubles.h"

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

ServiceDoubles::ServiceDoubles()
{
    auto& s = platform::services();
    saved_ = std::move(s);
    auto m = std::make_unique<RecordingMessageBoxes>();
    auto o = std::make_unique<RecordingOpenFile>();
    auto p = std::make_unique<RecordingPopupMenu>();
    auto so = std::make_unique<RecordingSound>();
    auto d = std::make_unique<RecordingDesktop>();
    messages = m.get();
    open_file = o.get();
    popup_menu = p.get();
    sound = so.get();
    desktop = d.get();
    s = platform::Services{std::move(m), std::move(o), std::move(p), std::move(so), std::move(d)};
}

ServiceDoubles::~ServiceDoubles()
{
    platform::services() = std::move(saved_);
}

} // namespace testing_support

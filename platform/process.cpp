#include "platform/process.h"

#include <QApplication>
#include <QWidget>

namespace platform {
namespace {

// No further event of any window may run once the program ends: every top-level window is
// hidden before the event loop is left.
void end_application()
{
    for (QWidget* w : QApplication::topLevelWidgets())
        w->hide();
    QCoreApplication::exit(0);
}

std::function<void()>& end_handler()
{
    static std::function<void()> handler = end_application;
    return handler;
}

} // namespace

void End()
{
    end_handler()();
}

void set_end_handler(std::function<void()> handler)
{
    end_handler() = handler ? std::move(handler) : std::function<void()>(end_application);
}

} // namespace platform

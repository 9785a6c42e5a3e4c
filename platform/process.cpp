#include "platform/process.h"

#include <QApplication>
#include <QTimer>
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
    // exit() leaves only the loops running now. From a message box or menu of the start-up,
    // before the main loop began, the program would then run on unseen, holding its
    // single-instance lock; the main loop meets this as soon as it starts.
    QTimer::singleShot(0, qApp, [] { QCoreApplication::exit(0); });
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

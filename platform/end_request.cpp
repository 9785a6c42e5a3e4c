#include "platform/end_request.h"

#include "platform/failure.h"

#include <QCoreApplication>
#include <QSocketNotifier>

#include <csignal>
#include <sys/socket.h>
#include <unistd.h>

namespace platform {
namespace {

int wake[2] = {-1, -1};   // the signal writes one byte into wake[1]; the event loop reads wake[0]
int status_at_exit = 0;   // not 0 when the end lost something the user typed

void on_signal(int)
{
    const char byte = 1;
    [[maybe_unused]] const auto written = ::write(wake[1], &byte, 1);
}

} // namespace

void on_end_request(std::function<void()> handler)
{
    if (wake[0] >= 0 || ::socketpair(AF_UNIX, SOCK_STREAM | SOCK_CLOEXEC, 0, wake) != 0)
        return;
    auto* notifier = new QSocketNotifier(wake[0], QSocketNotifier::Read, QCoreApplication::instance());
    QObject::connect(notifier, &QSocketNotifier::activated, notifier, [handler = std::move(handler)] {
        char byte = 0;
        [[maybe_unused]] const auto read = ::read(wake[0], &byte, 1);
        guard("end request", handler);
    });
    struct sigaction action = {};
    action.sa_handler = on_signal;
    sigemptyset(&action.sa_mask);
    action.sa_flags = SA_RESTART;
    sigaction(SIGTERM, &action, nullptr);
    sigaction(SIGHUP, &action, nullptr);
    sigaction(SIGINT, &action, nullptr);
}

void set_exit_status(int status)
{
    status_at_exit = status;
}

int exit_status()
{
    return status_at_exit;
}

} // namespace platform

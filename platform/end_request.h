#pragma once
// The request to end that the desktop session, another process or the terminal sends
// (SIGTERM, SIGHUP, SIGINT: a log-out, `kill`, a closed terminal, Ctrl+C). The handler runs on
// the event loop, never inside the signal, once per request.
#include <functional>

namespace platform {

void on_end_request(std::function<void()> handler);

// The status the process ends with once its event loop is left: 0 unless the way out could
// not keep everything (an edit that could not be written), which sets it.
void set_exit_status(int status);
int exit_status();

} // namespace platform

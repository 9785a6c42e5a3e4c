#pragma once
// The request to end that the desktop session or another process sends (SIGTERM, SIGHUP: a
// log-out, `kill`, a closed terminal). The handler runs on the event loop, never inside the
// signal, once per request.
#include <functional>

namespace platform {

void on_end_request(std::function<void()> handler);

} // namespace platform

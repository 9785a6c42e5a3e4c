#pragma once
#include <functional>

namespace platform {

// Ends the program at once (the old runtime's End). Tests replace the handler to observe it.
void End();
void set_end_handler(std::function<void()> handler);

} // namespace platform

#include "platform/failure.h"

#include <cstdio>

namespace platform {

void report_unhandled(const char* where, const char* what) noexcept
{
    std::fprintf(stderr, "tavoly: %s: %s\n", where, what);
}

} // namespace platform

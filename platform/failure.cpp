#include "platform/failure.h"

#include <cstdio>

namespace platform {

void report_unhandled(const char* where, const char* what) noexcept
{
    std::fprintf(stderr, "tavoly: %s: %s\n", where, what);
}

void report_skipped(const char* file, int line, const char* what) noexcept
{
    std::fprintf(stderr, "tavoly: skipped at %s:%d: %s\n", file, line, what);
}

} // namespace platform

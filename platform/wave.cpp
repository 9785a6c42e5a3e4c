#include "platform/wave.h"

#include <cstdint>
#include <cstring>
#include <fstream>
#include <vector>

namespace platform {
namespace {

uint32_t le32(const char* p)
{
    const auto* u = reinterpret_cast<const unsigned char*>(p);
    return uint32_t(u[0]) | uint32_t(u[1]) << 8 | uint32_t(u[2]) << 16 | uint32_t(u[3]) << 24;
}

} // namespace

bool is_complete_wave(const std::string& native_path)
{
    std::ifstream in(native_path, std::ios::binary);
    if (!in)
        return false;
    const std::vector<char> bytes((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
    if (bytes.size() < 12 || std::memcmp(bytes.data(), "RIFF", 4) != 0 || std::memcmp(bytes.data() + 8, "WAVE", 4) != 0)
        return false;
    bool format = false;
    size_t at = 12;
    while (at + 8 <= bytes.size()) {
        const uint64_t size = le32(bytes.data() + at + 4);
        if (at + 8 + size > bytes.size())
            return false;
        if (std::memcmp(bytes.data() + at, "fmt ", 4) == 0)
            format = size >= 16;
        else if (std::memcmp(bytes.data() + at, "data", 4) == 0)
            return format;
        at += 8 + size + (size & 1);
    }
    return false;
}

} // namespace platform

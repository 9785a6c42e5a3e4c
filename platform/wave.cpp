#include "platform/wave.h"

#include <cstdint>
#include <cstring>
#include <fstream>

namespace platform {
namespace {

uint32_t le32(const char* p)
{
    const auto* u = reinterpret_cast<const unsigned char*>(p);
    return uint32_t(u[0]) | uint32_t(u[1]) << 8 | uint32_t(u[2]) << 16 | uint32_t(u[3]) << 24;
}

} // namespace

// Only the chunk headers are read: a sound plays after most clicks, and the samples need not
// be, only to lie inside the file.
bool is_complete_wave(const std::string& native_path)
{
    std::ifstream in(native_path, std::ios::binary | std::ios::ate);
    if (!in)
        return false;
    const uint64_t file_size = static_cast<uint64_t>(in.tellg());
    char header[12];
    in.seekg(0);
    if (!in.read(header, 12) || std::memcmp(header, "RIFF", 4) != 0 || std::memcmp(header + 8, "WAVE", 4) != 0)
        return false;
    bool format = false;
    uint64_t at = 12;
    char chunk[8];
    while (at + 8 <= file_size && in.seekg(static_cast<std::streamoff>(at)) && in.read(chunk, 8)) {
        const uint64_t size = le32(chunk + 4);
        if (at + 8 + size > file_size)
            return false;
        if (std::memcmp(chunk, "fmt ", 4) == 0)
            format = size >= 16;
        else if (std::memcmp(chunk, "data", 4) == 0)
            return format;
        at += 8 + size + (size & 1);
    }
    return false;
}

} // namespace platform

// makedb schema.sql sample.sql out.mdb
// Makes the encrypted contact book from the schema and the sample contacts. A book that is
// already there is left as it is: it may be a user's, and no rebuild or install replaces it.
// The book is written under a temporary name and linked into place only when complete.
#include "contacts/book.h"
#include "platform/failure.h"

#include <cstdio>
#include <filesystem>
#include <fstream>
#include <sstream>
#include <stdexcept>
#include <string>
#include <system_error>

namespace {

std::string read_file(const char* path)
{
    std::ifstream in(path, std::ios::binary);
    if (!in)
        throw std::runtime_error(std::string("cannot read ") + path);
    std::ostringstream text;
    text << in.rdbuf();
    return text.str();
}

} // namespace

int main(int argc, char** argv)
{
    if (argc != 4) {
        std::fprintf(stderr, "usage: makedb schema.sql sample.sql out.mdb\n");
        return 2;
    }
    const std::string out = argv[3];
    std::error_code ec;
    if (std::filesystem::exists(std::filesystem::symlink_status(out, ec)))
        return 0;
    try {
        platform::CreateDatabase(out, book::connect(), read_file(argv[1]) + "\n;\n" + read_file(argv[2]));
    } catch (const std::exception& e) {
        std::fprintf(stderr, "makedb: %s: %s\n", out.c_str(), e.what());
        return 1;
    }
    return 0;
}

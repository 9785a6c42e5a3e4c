// makedb schema.sql sample.sql out.mdb
// Makes the encrypted contact book from the schema and the sample contacts. A book that is
// already there is left as it is: it may be a user's, and no rebuild or install replaces it.
// The book is written under a temporary name and linked into place only when complete.
#include <sqlite3.h>

#include <cerrno>
#include <cstdio>
#include <filesystem>
#include <fstream>
#include <sstream>
#include <stdexcept>
#include <string>
#include <system_error>
#include <unistd.h>

namespace {

constexpr const char* kKey = "quorvent";

std::string read_file(const char* path)
{
    std::ifstream in(path, std::ios::binary);
    if (!in)
        throw std::runtime_error(std::string("cannot read ") + path);
    std::ostringstream text;
    text << in.rdbuf();
    return text.str();
}

void exec(sqlite3* db, const std::string& sql)
{
    char* message = nullptr;
    if (sqlite3_exec(db, sql.c_str(), nullptr, nullptr, &message) != SQLITE_OK) {
        const std::string text = message ? message : sqlite3_errmsg(db);
        sqlite3_free(message);
        throw std::runtime_error(text);
    }
}

void make_book(const std::string& path, const std::string& schema, const std::string& sample)
{
    sqlite3* db = nullptr;
    const int rc = sqlite3_open_v2(path.c_str(), &db, SQLITE_OPEN_READWRITE | SQLITE_OPEN_CREATE,
                                   nullptr);
    try {
        if (rc != SQLITE_OK)
            throw std::runtime_error(sqlite3_errmsg(db));
        if (sqlite3_key(db, kKey, static_cast<int>(std::char_traits<char>::length(kKey)))
            != SQLITE_OK)
            throw std::runtime_error(sqlite3_errmsg(db));
        exec(db, "begin");
        exec(db, schema);
        exec(db, sample);
        exec(db, "commit");
    } catch (...) {
        sqlite3_close(db);
        throw;
    }
    if (sqlite3_close(db) != SQLITE_OK)
        throw std::runtime_error("cannot close " + path);
}

// Puts the finished book in place unless a book appeared there meanwhile.
void place(const std::string& made, const std::string& out)
{
    if (::link(made.c_str(), out.c_str()) == 0 || errno == EEXIST) {
        std::filesystem::remove(made);
        return;
    }
    // A file system without hard links: rename, after one more look.
    if (!std::filesystem::exists(out))
        std::filesystem::rename(made, out);
    else
        std::filesystem::remove(made);
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
    const std::string made = out + ".making-" + std::to_string(::getpid());
    try {
        const std::string schema = read_file(argv[1]);
        const std::string sample = read_file(argv[2]);
        std::filesystem::remove(made);
        make_book(made, schema, sample);
        place(made, out);
    } catch (const std::exception& e) {
        std::filesystem::remove(made, ec);
        std::filesystem::remove(made + "-journal", ec);
        std::fprintf(stderr, "makedb: %s: %s\n", out.c_str(), e.what());
        return 1;
    }
    return 0;
}

#include "bench/book.h"

#include <sqlite3.h>

#include <array>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <sstream>
#include <stdexcept>

namespace bench {

namespace {

constexpr const char* kKey = "quorvent";

void check(sqlite3* db, int rc)
{
    if (rc != SQLITE_OK && rc != SQLITE_DONE && rc != SQLITE_ROW)
        throw std::runtime_error(sqlite3_errmsg(db));
}

std::string read_file(const std::string& path)
{
    std::ifstream in(path, std::ios::binary);
    if (!in)
        throw std::runtime_error("cannot read " + path);
    std::ostringstream text;
    text << in.rdbuf();
    return text.str();
}

// The same contacts on every run: a fixed-seed generator.
class Random {
public:
    unsigned next(unsigned bound)
    {
        state_ = state_ * 6364136223846793005ULL + 1442695040888963407ULL;
        return static_cast<unsigned>(state_ >> 33) % bound;
    }

private:
    unsigned long long state_ = 20240601;
};

void fill(sqlite3* db)
{
    static constexpr std::array<const char*, 16> syllables{
        "lu", "na", "ro", "ma", "ki", "ze", "po", "ta", "vi", "so", "gia", "blu", "dark", "sun",
        "wolf", "star"};
    static constexpr std::array<const char*, 12> first{
        "Giulia", "Marco", "Anna", "Luca", "Chiara", "James", "Emily", "Oliver", "Sara", "Paolo",
        "Elena", "Tom"};
    static constexpr std::array<const char*, 12> last{
        "Rossi", "Bianchi", "Ferri", "Galli", "Conti", "Carter", "Watson", "Hughes", "Greco",
        "Marino", "Brown", "Smith"};
    Random random;
    check(db, sqlite3_exec(db, "begin", nullptr, nullptr, nullptr));
    sqlite3_stmt* insert = nullptr;
    check(db, sqlite3_prepare_v2(db,
                                 "insert into contatti (nick, nome, note, email, foto1, foto2, "
                                 "simpatia, bellezza, intelligenza, affinita, cultura, punti) "
                                 "values (?, ?, ?, ?, ?, ?, ?, ?, ?, ?, ?, ?)",
                                 -1, &insert, nullptr));
    for (long i = 0; i < kBookContacts; ++i) {
        // Unique nicks, in an order that is not the insertion order.
        const std::string nick = std::string(syllables[random.next(16)]) + syllables[random.next(16)]
            + std::to_string((i * 7919) % 100003);
        const std::string nome = std::string(first[random.next(12)]) + " " + last[random.next(12)];
        const std::string note = "Conosciuto in chat il giorno " + std::to_string(1 + i % 28);
        const std::string email = nick + "@example.com";
        const std::string foto = random.next(3) == 0 ? "/home/utente/foto/" + nick + ".jpg" : "";
        sqlite3_bind_text(insert, 1, nick.c_str(), -1, SQLITE_TRANSIENT);
        sqlite3_bind_text(insert, 2, nome.c_str(), -1, SQLITE_TRANSIENT);
        sqlite3_bind_text(insert, 3, note.c_str(), -1, SQLITE_TRANSIENT);
        sqlite3_bind_text(insert, 4, email.c_str(), -1, SQLITE_TRANSIENT);
        sqlite3_bind_text(insert, 5, foto.c_str(), -1, SQLITE_TRANSIENT);
        if (random.next(10) == 0)
            sqlite3_bind_text(insert, 6, "demo01.jpg", -1, SQLITE_STATIC);
        else
            sqlite3_bind_null(insert, 6);
        int sum = 0;
        for (int rating = 7; rating <= 11; ++rating) {
            const int stars = static_cast<int>(random.next(6));
            sum += stars;
            sqlite3_bind_int(insert, rating, stars);
        }
        sqlite3_bind_double(insert, 12, 40.0 * sum);
        check(db, sqlite3_step(insert));
        sqlite3_reset(insert);
    }
    sqlite3_finalize(insert);
    check(db, sqlite3_exec(db, "commit", nullptr, nullptr, nullptr));
}

struct Book {
    std::filesystem::path folder;
    std::string path;

    Book()
    {
        std::string pattern = (std::filesystem::temp_directory_path() / "tavoly-bench-XXXXXX").string();
        if (!mkdtemp(pattern.data()))
            throw std::runtime_error("cannot make a temporary folder");
        folder = pattern;
        path = (folder / "contatti.mdb").string();
        sqlite3* db = nullptr;
        check(db, sqlite3_open_v2(path.c_str(), &db, SQLITE_OPEN_READWRITE | SQLITE_OPEN_CREATE,
                                  nullptr));
        try {
            check(db, sqlite3_key(db, kKey, 8));
            check(db, sqlite3_exec(db, read_file(TAVOLY_SOURCE_DIR "/resources/schema.sql").c_str(),
                                   nullptr, nullptr, nullptr));
            fill(db);
        } catch (...) {
            sqlite3_close(db);
            throw;
        }
        sqlite3_close(db);
    }
    ~Book()
    {
        std::error_code ec;
        std::filesystem::remove_all(folder, ec);
    }
};

} // namespace

const std::string& book_path()
{
    static const Book book;
    return book.path;
}

RawStatement::RawStatement(sqlite3* db, const std::string& sql)
{
    if (sqlite3_prepare_v2(db, sql.c_str(), -1, &stmt_, nullptr) != SQLITE_OK)
        throw std::runtime_error(sqlite3_errmsg(db));
}

RawStatement::~RawStatement()
{
    sqlite3_finalize(stmt_);
}

bool RawStatement::step() const
{
    return sqlite3_step(stmt_) == SQLITE_ROW;
}

} // namespace bench

#include "bench/book.h"
#include "contacts/book.h"
#include "platform/text_order.h"

#include <sqlite3.h>

#include <array>
#include <cstdlib>
#include <filesystem>
#include <functional>
#include <map>
#include <stdexcept>
#include <fcntl.h>
#include <unistd.h>
#include <vector>

namespace bench {

namespace {

namespace fs = std::filesystem;

void check(sqlite3* db, int rc)
{
    if (rc != SQLITE_OK && rc != SQLITE_DONE && rc != SQLITE_ROW)
        throw std::runtime_error(sqlite3_errmsg(db));
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

// About 500 bytes a contact, three in ten with a photo link, as a book that has been used for
// years; some nicks begin with an accented capital. Without `keys`, the key columns stay empty,
// as in a book of the earlier shape or rows another program added.
void fill(sqlite3* db, long contacts, bool keys)
{
    static constexpr std::array<const char*, 18> syllables{
        "lu", "na", "ro", "ma", "ki", "ze", "po", "ta", "vi", "so", "gia", "blu", "dark", "sun",
        "wolf", "star", "\xC3\x88" "l", "\xC3\xB2" "r"};
    static constexpr std::array<const char*, 12> first{
        "Giulia", "Marco", "Anna", "Luca", "Chiara", "James", "Emily", "Oliver", "Sara", "Paolo",
        "Elena", "Tom"};
    static constexpr std::array<const char*, 12> last{
        "Rossi", "Bianchi", "Ferri", "Galli", "Conti", "Carter", "Watson", "Hughes", "Greco",
        "Marino", "Brown", "Smith"};
    const std::string filler(300, 'x');
    Random random;
    check(db, sqlite3_exec(db, "begin", nullptr, nullptr, nullptr));
    sqlite3_stmt* insert = nullptr;
    check(db, sqlite3_prepare_v2(db,
                                 "insert into contatti (nick, nome, note, email, foto1, foto2, "
                                 "simpatia, bellezza, intelligenza, affinita, cultura, punti, "
                                 "chiave_nick, chiave_nome, chiave_email) "
                                 "values (?, ?, ?, ?, ?, ?, ?, ?, ?, ?, ?, ?, ?, ?, ?)",
                                 -1, &insert, nullptr));
    for (long i = 0; i < contacts; ++i) {
        // Unique nicks, in an order that is not the insertion order.
        const std::string nick = std::string(syllables[random.next(18)]) + syllables[random.next(18)]
            + std::to_string((i * 7919) % 1000003);
        const std::string nome = std::string(first[random.next(12)]) + " " + last[random.next(12)];
        const std::string note = "Conosciuto in chat il giorno " + std::to_string(1 + i % 28) + " "
            + filler.substr(0, 200 + random.next(100));
        const std::string email = nick + "@example.com";
        const bool photo = random.next(10) < 3;
        sqlite3_bind_text(insert, 1, nick.c_str(), -1, SQLITE_TRANSIENT);
        sqlite3_bind_text(insert, 2, nome.c_str(), -1, SQLITE_TRANSIENT);
        sqlite3_bind_text(insert, 3, note.c_str(), -1, SQLITE_TRANSIENT);
        sqlite3_bind_text(insert, 4, email.c_str(), -1, SQLITE_TRANSIENT);
        if (photo) {
            const std::string foto = "/home/utente/Immagini/chat/foto-di-" + nick + "-al-mare.jpg";
            sqlite3_bind_text(insert, 5, foto.c_str(), -1, SQLITE_TRANSIENT);
            sqlite3_bind_text(insert, 6, "demo01.jpg", -1, SQLITE_STATIC);
        } else {
            sqlite3_bind_text(insert, 5, "", -1, SQLITE_STATIC);
            sqlite3_bind_null(insert, 6);
        }
        int sum = 0;
        for (int rating = 7; rating <= 11; ++rating) {
            const int stars = static_cast<int>(random.next(6));
            sum += stars;
            sqlite3_bind_int(insert, rating, stars);
        }
        sqlite3_bind_double(insert, 12, 40.0 * sum);
        // The keys the program writes beside the texts it sorts and searches by.
        const std::string key_texts[] = {platform::text_key(nick), platform::text_key(nome),
                                         platform::text_key(email)};
        for (int k = 0; k < 3; ++k) {
            if (keys)
                sqlite3_bind_text(insert, 13 + k, key_texts[k].c_str(), -1, SQLITE_TRANSIENT);
            else
                sqlite3_bind_null(insert, 13 + k);
        }
        check(db, sqlite3_step(insert));
        sqlite3_reset(insert);
    }
    sqlite3_finalize(insert);
    check(db, sqlite3_exec(db, "commit", nullptr, nullptr, nullptr));
}

fs::path book_folder()
{
    if (const char* folder = std::getenv("TAVOLY_BENCH_BOOKS"); folder && *folder)
        return folder;
    return fs::path(TAVOLY_BENCH_BOOKS);
}

// Made under a temporary name and renamed into place only when complete, so an interrupted
// run never leaves a half book that a later run would take for a whole one.
std::string make_book(long contacts, bool keys)
{
    const std::string schema = book::schema();
    const fs::path folder = book_folder();
    fs::create_directories(folder);
    const fs::path path = folder / (std::string(keys ? "book-" : "book-without-keys-") + std::to_string(contacts) + "-"
                                    + std::to_string(std::hash<std::string>{}(schema) % 1000000007)
                                    + ".mdb");
    if (fs::exists(path))
        return path.string();
    const fs::path partial = path.string() + ".partial-" + std::to_string(getpid());
    sqlite3* db = nullptr;
    check(db, sqlite3_open_v2(partial.c_str(), &db, SQLITE_OPEN_READWRITE | SQLITE_OPEN_CREATE,
                              nullptr));
    try {
        check(db, sqlite3_key(db, book::kPassword, int(std::char_traits<char>::length(book::kPassword))));
        check(db, sqlite3_exec(db, schema.c_str(), nullptr, nullptr, nullptr));
        // Indexes made after the rows, and no journal for a file that is renamed only when
        // complete: minutes less for a million contacts.
        check(db, sqlite3_exec(db, "pragma journal_mode = off; pragma synchronous = off; "
                                   "pragma cache_size = -262144", nullptr, nullptr, nullptr));
        std::vector<std::pair<std::string, std::string>> indexes;
        {
            RawStatement list(db, "select name, sql from sqlite_master where type = 'index' "
                                  "and sql is not null");
            while (list.step())
                indexes.emplace_back(
                    reinterpret_cast<const char*>(sqlite3_column_text(list.get(), 0)),
                    reinterpret_cast<const char*>(sqlite3_column_text(list.get(), 1)));
        }
        for (const auto& index : indexes)
            check(db, sqlite3_exec(db, ("drop index \"" + index.first + "\"").c_str(), nullptr,
                                   nullptr, nullptr));
        fill(db, contacts, keys);
        for (const auto& index : indexes)
            check(db, sqlite3_exec(db, index.second.c_str(), nullptr, nullptr, nullptr));
    } catch (...) {
        sqlite3_close(db);
        fs::remove(partial);
        throw;
    }
    sqlite3_close(db);
    fs::rename(partial, path);
    return path.string();
}

std::vector<std::function<void()>>& releases()
{
    static std::vector<std::function<void()>> list;
    return list;
}

} // namespace

void before_application_ends(std::function<void()> release)
{
    releases().push_back(std::move(release));
}

void release_before_application_ends()
{
    for (auto& release : releases())
        release();
    releases().clear();
}

long book_contacts()
{
    const char* text = std::getenv("TAVOLY_BENCH_CONTACTS");
    const long contacts = text ? std::atol(text) : 0;
    return contacts > 0 ? contacts : 100000;
}

const std::string& book_path(long contacts, bool keys)
{
    static std::map<std::pair<long, bool>, std::string> made;
    auto found = made.find({contacts, keys});
    if (found == made.end())
        found = made.emplace(std::pair(contacts, keys), make_book(contacts, keys)).first;
    return found->second;
}

void copy_to_disk(const std::string& from, const std::string& to)
{
    fs::copy_file(from, to);
    const int fd = ::open(to.c_str(), O_RDONLY);
    const bool synced = fd >= 0 && ::fsync(fd) == 0;
    if (fd >= 0)
        ::close(fd);
    if (!synced)
        throw std::runtime_error("cannot put " + to + " on the disk");
}

TempFolder::TempFolder(const std::string& prefix)
{
    std::string pattern = (fs::temp_directory_path() / (prefix + "-XXXXXX")).string();
    if (!mkdtemp(pattern.data()))
        throw std::runtime_error("cannot make a temporary folder");
    path = pattern;
}

TempFolder::~TempFolder()
{
    std::error_code ec;
    fs::remove_all(path, ec);
}

sqlite3* open_raw(const std::string& path)
{
    sqlite3* db = nullptr;
    if (sqlite3_open_v2(path.c_str(), &db, SQLITE_OPEN_READWRITE, nullptr) != SQLITE_OK
        || sqlite3_key(db, book::kPassword, int(std::char_traits<char>::length(book::kPassword))) != SQLITE_OK
        || sqlite3_exec(db, "pragma cache_size = -16384", nullptr, nullptr, nullptr) != SQLITE_OK) {
        sqlite3_close(db);
        throw std::runtime_error("cannot open the raw book " + path);
    }
    return db;
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

// The data controls on a generated book, each beside the same SQL run on a raw SQLCipher
// connection that reads what the layer reads (the first window of rows of the order, as text),
// with the same key and the page cache the layer has.
#include "bench/book.h"
#include "contacts/book.h"
#include "platform/data_control.h"
#include "platform/jet_sql.h"

#include <benchmark/benchmark.h>
#include <sqlite3.h>

#include <filesystem>
#include <stdexcept>
#include <string>
#include <vector>

namespace {

using platform::DataControl;
using platform::Recordset;

constexpr long kPageRows = 16;     // what the layer fetches at once
constexpr long kVisibleRows = 8;   // what the grid shows of it

const platform::TextKeys kTextKeys = [] {
    DataControl described;
    book::describe(described);
    return described.TextKeyColumns;
}();

// A source in SQLite's words, sorting and comparing texts through their key columns as the
// layer does.
std::string sqlite_of(const std::string& source)
{
    return platform::jet_to_sqlite(platform::with_text_keys(source, kTextKeys));
}

const char* const kOrders[][2] = {
    {"plain", "select * from qcontatti"},
    {"nick", "select * from qcontatti order by nick"},
    {"nome", "select * from qcontatti order by nome"},
    {"punti", "select * from qcontatti order by punti desc, nick"},
    {"simpatia", "select * from qcontatti order by simpatia desc, nick"},
    {"bellezza", "select * from qcontatti order by bellezza desc, nick"},
    {"affinita", "select * from qcontatti order by affinita desc, nick"},
    {"cultura", "select * from qcontatti order by cultura desc, nick"},
    {"espr1", "select * from qcontatti order by espr1, nick"},
    {"espr1_desc", "select * from qcontatti order by espr1 desc, nick"},
};

// Searches that find nothing: the whole book is looked at, through an index for a prefix,
// row by row otherwise. Raw SQL reads the prefix as a range of the nick's key and says the
// Jet pattern "#*" with SQLite's glob.
const char* const kSearches[][3] = {
    {"prefix", "nick like \"zzzz*\"", "chiave_nick >= 'zzzz' and chiave_nick < 'zzzz\xF4'"},
    {"contains", "nome like \"*zzzz*\"", "nome like '%zzzz%'"},
    {"jet_pattern", "email like \"#*\"", "email glob '[0-9]*'"},
};

// A copy of the generated book, which the writes below must leave as it was for later runs.
const std::string& book()
{
    static const bench::TempFolder folder("tavoly-bench-data");
    static const std::string path = [] {
        const std::string copy = folder.path + "/contatti.mdb";
        bench::copy_to_disk(bench::book_path(), copy);
        return copy;
    }();
    return path;
}

DataControl& data1()
{
    static DataControl control;
    control.DatabaseName = book();
    control.KeyField = "id";
    control.RowCount = "select righe from conteggio";
    control.TextKeyColumns = kTextKeys;
    return control;
}

sqlite3* raw()
{
    static sqlite3* db = bench::open_raw(book());
    return db;
}

// Every column of every row of `sql` read as text.
void raw_rows(const std::string& sql)
{
    bench::RawStatement query(raw(), sql);
    while (query.step())
        for (int c = 0; c < sqlite3_column_count(query.get()); ++c) {
            const unsigned char* value = sqlite3_column_text(query.get(), c);
            std::string copy(value ? reinterpret_cast<const char*>(value) : "",
                             static_cast<size_t>(sqlite3_column_bytes(query.get(), c)));
            benchmark::DoNotOptimize(copy);
        }
}

void read_visible(const Recordset& rs)
{
    const int columns = static_cast<int>(rs.columns().size());
    for (long row = 0; row < std::min(kVisibleRows, rs.size()); ++row)
        for (int c = 0; c < columns; ++c)
            benchmark::DoNotOptimize(rs.value(row, c));
}

void refresh(benchmark::State& state, const std::string& source)
{
    DataControl& control = data1();
    control.RecordSource = source;
    for (auto _ : state) {
        control.Refresh();
        read_visible(control.recordset());
    }
    state.counters["rows"] = static_cast<double>(control.recordset().size());
}

// The first window of the order: what the layer reads for the first screen.
void raw_refresh(benchmark::State& state, const std::string& source)
{
    const std::string sql = sqlite_of(source);
    for (auto _ : state)
        raw_rows("select * from (" + sql + ") limit " + std::to_string(kPageRows));
}

// What a layer that read the whole result would pay.
void raw_read_all(benchmark::State& state, const std::string& source)
{
    const std::string sql = sqlite_of(source);
    for (auto _ : state) {
        bench::RawStatement query(raw(), sql);
        while (query.step())
            for (int c = 0; c < sqlite3_column_count(query.get()); ++c)
                benchmark::DoNotOptimize(sqlite3_column_text(query.get(), c));
    }
}

void find_first(benchmark::State& state, const std::string& criterion)
{
    DataControl& control = data1();
    control.RecordSource = "select * from qcontatti order by nick";
    control.Refresh();
    Recordset& rs = control.recordset();
    for (auto _ : state) {
        rs.FindFirst(criterion);
        if (!rs.NoMatch())
            state.SkipWithError("the search found something");
    }
}

void raw_find_first(benchmark::State& state, const std::string& condition)
{
    // The layer leaves the order out of a search: it places the matches by the ids' order.
    const std::string sql =
        platform::without_order_by(sqlite_of("select * from qcontatti order by nick"));
    for (auto _ : state) {
        bench::RawStatement query(raw(), "select id from (" + sql + ") where (" + condition + ")");
        while (query.step())
            benchmark::DoNotOptimize(sqlite3_column_int64(query.get(), 0));
    }
}

const std::string kMoveLastSource = "select * from qcontatti order by nick";

// MoveLast right after a Refresh, as the delete on the add-new row does it: the last page is
// fetched for the row that becomes current.
void move_last(benchmark::State& state)
{
    DataControl& control = data1();
    control.RecordSource = kMoveLastSource;
    for (auto _ : state) {
        control.Refresh();
        Recordset& rs = control.recordset();
        rs.MoveLast();
        benchmark::DoNotOptimize(rs.Fields("nick"));
        benchmark::DoNotOptimize(rs.RecordCount());
    }
}

void raw_move_last(benchmark::State& state)
{
    for (auto _ : state)
        raw_rows("select * from qcontatti order by chiave_nick desc, id desc limit "
                 + std::to_string(kPageRows));
}

void add_new(benchmark::State& state)
{
    DataControl& control = data1();
    control.RecordSource = "select * from qcontatti";
    control.Refresh();
    Recordset& rs = control.recordset();
    static long added = 0;
    for (auto _ : state) {
        const std::string nick = "bench layer " + std::to_string(++added);
        rs.AddNew();
        rs.SetField("nick", nick);
        rs.SetField("nome", "Nome " + nick);
        rs.SetField("email", "bench@example.com");
        rs.Update();
    }
}

void raw_add_new(benchmark::State& state)
{
    static long added = 0;
    for (auto _ : state) {
        const std::string nick = "bench raw " + std::to_string(++added);
        const std::string nome = "Nome " + nick;
        bench::RawStatement insert(raw(), "insert into contatti (nick, nome, email) values (?, ?, ?)");
        sqlite3_bind_text(insert.get(), 1, nick.c_str(), -1, SQLITE_TRANSIENT);
        sqlite3_bind_text(insert.get(), 2, nome.c_str(), -1, SQLITE_TRANSIENT);
        sqlite3_bind_text(insert.get(), 3, "bench@example.com", -1, SQLITE_STATIC);
        if (sqlite3_step(insert.get()) != SQLITE_DONE)
            state.SkipWithError(sqlite3_errmsg(raw()));
        benchmark::DoNotOptimize(sqlite3_last_insert_rowid(raw()));
    }
}

// The first open of a book whose key columns are empty: the program fills them before the
// first screen.
void first_open_with_empty_keys(benchmark::State& state)
{
    const std::string& empty = bench::book_path(bench::book_contacts(), false);
    const bench::TempFolder folder("tavoly-bench-keys");
    const std::string path = folder.path + "/contatti.mdb";
    for (auto _ : state) {
        state.PauseTiming();
        for (const char* suffix : {"", "-wal", "-shm"})
            std::filesystem::remove(path + suffix);
        bench::copy_to_disk(empty, path);
        state.ResumeTiming();
        DataControl data;
        book::describe(data);
        data.DatabaseName = path;
        data.RecordSource = "select * from qcontatti";
        book::open(data);
        benchmark::DoNotOptimize(data.recordset().size());
    }
}

// Registered in this order so that each pair runs side by side and the writes come last.
const bool registered = [] {
    using benchmark::RegisterBenchmark;
    for (const auto& [name, source] : kOrders) {
        const std::string text = source;
        RegisterBenchmark(("Refresh/" + std::string(name)).c_str(),
                          [text](benchmark::State& s) { refresh(s, text); })
            ->Unit(benchmark::kMillisecond);
        RegisterBenchmark(("Raw/Refresh/" + std::string(name)).c_str(),
                          [text](benchmark::State& s) { raw_refresh(s, text); })
            ->Unit(benchmark::kMillisecond);
    }
    RegisterBenchmark("Raw/ReadAllColumns/nick",
                      [](benchmark::State& s) { raw_read_all(s, kOrders[1][1]); })
        ->Unit(benchmark::kMillisecond);
    for (const auto& [name, criterion, condition] : kSearches) {
        const std::string jet = criterion, sql = condition;
        RegisterBenchmark(("FindFirstNoMatch/" + std::string(name)).c_str(),
                          [jet](benchmark::State& s) { find_first(s, jet); })
            ->Unit(benchmark::kMillisecond);
        RegisterBenchmark(("Raw/FindFirstNoMatch/" + std::string(name)).c_str(),
                          [sql](benchmark::State& s) { raw_find_first(s, sql); })
            ->Unit(benchmark::kMillisecond);
    }
    RegisterBenchmark("MoveLast", move_last)->Unit(benchmark::kMillisecond);
    RegisterBenchmark("Raw/MoveLast", raw_move_last)->Unit(benchmark::kMillisecond);
    RegisterBenchmark("AddNewUpdate", add_new)->Unit(benchmark::kMillisecond);
    RegisterBenchmark("Raw/AddNewUpdate", raw_add_new)->Unit(benchmark::kMillisecond);
    RegisterBenchmark("FirstOpenWithEmptyKeys", first_open_with_empty_keys)
        ->Iterations(1)->Unit(benchmark::kSecond);
    return true;
}();

} // namespace

// Opening the main window, a row change, search, sort, jumps, delete and the imports through
// the main window's own handlers on a generated book (TAVOLY_BENCH_CONTACTS, 100,000 by
// default), beside the least SQL that answers the same
// question on a raw connection where there is one.
// The window runs over a copy of the generated book in a program folder of its own, with
// the recording doubles in place of the message box (answering Yes), the sound and the menu;
// every pass includes the events the handler leaves behind (the grid's repaint).
#include "bench/book.h"
#include "contacts/Main.h"
#include "platform/files.h"
#include "platform/services.h"
#include "platform/settings.h"
#include "platform/single_instance.h"
#include "platform/text_order.h"
#include "tests/support/doubles.h"

#include <QApplication>
#include <QElapsedTimer>
#include <QProcess>
#include <QScrollBar>
#include <QStandardPaths>
#include <QThread>
#include <benchmark/benchmark.h>
#include <sqlite3.h>

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <memory>
#include <stdexcept>
#include <string>

namespace {

namespace fs = std::filesystem;

// A program folder holding a copy of the book and the sounds the handlers play; the user's
// home, settings and autostart folder are kept out of reach.
struct ProgramFolder {
    bench::TempFolder temp{"tavoly-bench-main"};
    fs::path folder = temp.path;

    ProgramFolder()
    {
        fs::create_directories(folder / "program");
        fs::create_directories(folder / "home");
        bench::copy_to_disk(bench::book_path(), folder / "program" / "contatti.mdb");
        bench::copy_to_disk(bench::book_path(), folder / "raw.mdb");
        fs::copy_file(TAVOLY_EXECUTABLE, folder / "program" / "tavoly");
        for (const char* sound : {"trovato.wav", "nontrovato.wav", "ordina.wav", "cancella.wav"})
            std::ofstream(folder / "program" / sound).put('\0');
        setenv("HOME", (folder / "home").c_str(), 1);
        setenv("XDG_CONFIG_HOME", (folder / "home" / ".config").c_str(), 1);
        platform::set_home_folder((folder / "home").string());
        platform::set_program_folder((folder / "program").string());
        platform::set_settings_folder((folder / "home").string());
        platform::set_instance_lock_file((folder / "instance.lock").string());
    }
    ~ProgramFolder() { platform::set_instance_lock_file(""); }
};

ProgramFolder& program_folder()
{
    static ProgramFolder made;
    return made;
}

struct Doubles {
    testing_support::RecordingMessageBoxes* messages;
    testing_support::RecordingSound* sound;
};

Doubles install_doubles()
{
    auto& services = platform::services();
    auto messages = std::make_unique<testing_support::RecordingMessageBoxes>();
    auto sound = std::make_unique<testing_support::RecordingSound>();
    Doubles doubles{messages.get(), sound.get()};
    services.messages = std::move(messages);
    services.sound = std::move(sound);
    services.popup_menu = std::make_unique<testing_support::RecordingPopupMenu>();
    services.shell = std::make_unique<testing_support::RecordingShellOpen>();
    return doubles;
}

// One window for the whole run, loaded the way a start with an argument loads it.
struct Window {
    Doubles doubles;
    std::unique_ptr<Main> form;

    Window()
    {
        program_folder();
        doubles = install_doubles();
        static char arg0[] = "tavoly";
        static char arg1[] = "x";
        char* argv[] = {arg0, arg1};
        platform::set_command_line(2, argv);
        form = std::make_unique<Main>();
        form->Form_Load();
        QCoreApplication::processEvents();
    }
    void settle()
    {
        QCoreApplication::processEvents();
        doubles.sound->played.clear();
    }
};

// Made on first use and gone before the application object: a widget must not outlive it.
std::unique_ptr<Window> the_window;
const bool window_released = (bench::before_application_ends([] { the_window.reset(); }), true);

Window& window()
{
    if (!the_window)
        the_window = std::make_unique<Window>();
    return *the_window;
}

sqlite3* raw()
{
    static sqlite3* db = bench::open_raw((program_folder().folder / "raw.mdb").string());
    return db;
}

bool window_on_screen()
{
    QProcess search;
    search.setStandardOutputFile(QProcess::nullDevice());
    search.start("xdotool", {"search", "--onlyvisible", "--name", "^Tavoly\\? - "});
    search.waitForFinished(2000);
    return search.exitStatus() == QProcess::NormalExit && search.exitCode() == 0;
}

// The peak resident memory of a process so far, in MB (VmHWM); 0 when it cannot be read.
double peak_memory_mb(const std::string& pid)
{
    std::ifstream status("/proc/" + pid + "/status");
    std::string line;
    while (std::getline(status, line))
        if (line.rfind("VmHWM:", 0) == 0)
            return std::atof(line.c_str() + 6) / 1024.0;
    return 0;
}

// Process start to the window on screen: the real executable in the bench's X display, the
// window looked for every few milliseconds (xdotool's own --sync waits half a second a try).
void process_start_to_window_shown(benchmark::State& state)
{
    if (qEnvironmentVariableIsEmpty("DISPLAY") || QStandardPaths::findExecutable("xdotool").isEmpty()) {
        state.SkipWithError("needs an X display and xdotool (run under xvfb-run)");
        return;
    }
    const fs::path folder = program_folder().folder;
    QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
    env.remove("QT_QPA_PLATFORM");
    env.insert("XDG_RUNTIME_DIR", QString::fromStdString((folder / "home").string()));
    constexpr qint64 kTimeoutNs = 20'000'000'000;   // a start that takes longer has failed
    double peak = 0;
    for (auto _ : state) {
        QElapsedTimer timer;
        timer.start();
        QProcess tavoly;
        tavoly.setProcessEnvironment(env);
        tavoly.start(QString::fromStdString((folder / "program" / "tavoly").string()), {"x"});
        bool shown = false;
        while (!(shown = window_on_screen()) && tavoly.state() != QProcess::NotRunning
               && timer.nsecsElapsed() < kTimeoutNs)
            QThread::msleep(2);
        state.SetIterationTime(timer.nsecsElapsed() / 1e9);
        peak = std::max(peak, peak_memory_mb(std::to_string(tavoly.processId())));
        tavoly.kill();
        tavoly.waitForFinished();
        if (!shown) {
            state.SkipWithError("the program ended or showed no window in time");
            break;
        }
    }
    state.counters["peak_MB"] = peak;
}

// The least a raw connection does for the first screen: open, key, read the first rows.
void raw_open_first_screen(benchmark::State& state)
{
    const std::string path = (program_folder().folder / "raw.mdb").string();
    for (auto _ : state) {
        sqlite3* db = bench::open_raw(path);
        {
            bench::RawStatement query(db, "select * from qcontatti limit 40");
            while (query.step())
                benchmark::DoNotOptimize(sqlite3_column_text(query.get(), 0));
        }
        sqlite3_close(db);
    }
}

// The start-up inside the process: the window built, the book opened and listed, painted.
void form_load(benchmark::State& state)
{
    for (auto _ : state)
        Window opened;
}

// A row change: the grid moves the data control and the card follows.
void row_change(benchmark::State& state)
{
    Window& w = window();
    w.form->ord_Click(0);
    w.settle();
    long row = 0;
    for (auto _ : state) {
        row = (row + 7919) % bench::book_contacts();
        w.form->TDBGrid1->userMoveTo(row, 0);
        QCoreApplication::processEvents();
    }
}

const char* const kNoMatch = "zzzz";

void search_no_match(benchmark::State& state)
{
    Window& w = window();
    w.form->ord_Click(0);
    w.form->find->setText(QString::fromLatin1(kNoMatch));
    w.settle();
    for (auto _ : state) {
        w.form->Image6_Click();
        QCoreApplication::processEvents();
    }
    if (w.doubles.sound->played.empty() || w.doubles.sound->played.back().find("nontrovato") == std::string::npos)
        state.SkipWithError("the search found something");
}

// The three prefix lookups of a miss.
void raw_search_no_match(benchmark::State& state)
{
    for (auto _ : state) {
        for (const char* field : {"nick", "nome", "email"}) {
            bench::RawStatement query(raw(), std::string("select id from qcontatti where chiave_") + field
                                                 + " >= 'zzzz' and chiave_" + field + " < 'zzzz\xF4' limit 1");
            benchmark::DoNotOptimize(query.step());
        }
    }
}

// The list in nick order, on screen for long enough that the idle signposting is done, as it
// is by the time a user has typed a search text.
void sorted_and_shown(Window& w)
{
    w.form->ord_Click(0);
    QElapsedTimer shown;
    shown.start();
    while (shown.elapsed() < 1500)
        QCoreApplication::processEvents();
    w.settle();
}

// A search that finds a contact deep in the list: its nick begins with the text.
void search_found(benchmark::State& state, const char* text, const char* sound)
{
    Window& w = window();
    w.form->find->setText(QString::fromUtf8(text));
    sorted_and_shown(w);
    for (auto _ : state) {
        w.form->Image6_Click();
        QCoreApplication::processEvents();
    }
    if (w.doubles.sound->played.empty() || w.doubles.sound->played.back().find(sound) == std::string::npos)
        state.SkipWithError("the search did not end as expected");
    state.counters["position"] = static_cast<double>(w.form->Data1.recordset().AbsolutePosition());
}

// The first nick in key order that begins with "star", and the number of rows before it.
void raw_search_found(benchmark::State& state)
{
    for (auto _ : state) {
        bench::RawStatement first(raw(), "select id, chiave_nick from contatti where chiave_nick >= 'star' "
                                         "and chiave_nick < 'star\xF4' order by chiave_nick limit 1");
        first.step();
        bench::RawStatement before(raw(), "select count(*) from contatti where chiave_nick < ?");
        sqlite3_bind_value(before.get(), 1, sqlite3_column_value(first.get(), 1));
        before.step();
        benchmark::DoNotOptimize(sqlite3_column_int64(before.get(), 0));
    }
}

// What a search beginning with a wildcard cannot do with less: the three fields of every
// contact read once, in the table's own order.
void raw_scan_three_fields(benchmark::State& state)
{
    for (auto _ : state) {
        bench::RawStatement scan(raw(), "select id from contatti where nick like '%zzzz%' "
                                        "or nome like '%zzzz%' or email like '%zzzz%'");
        while (scan.step())
            benchmark::DoNotOptimize(sqlite3_column_int64(scan.get(), 0));
    }
}

struct Order {
    const char* name;
    int16_t index;
    const char* raw_order;
};

const Order kOrders[] = {
    {"nick", 0, "chiave_nick"},
    {"nome", 1, "chiave_nome"},
    {"punti", 3, "punti desc, chiave_nick"},
    {"simpatia", 4, "simpatia desc, chiave_nick"},
    {"bellezza", 5, "bellezza desc, chiave_nick"},
    {"affinita", 6, "affinita desc, chiave_nick"},
    {"cultura", 7, "cultura desc, chiave_nick"},
    {"photo", 9, "espr1, chiave_nick"},
};

void sort(benchmark::State& state, int16_t index)
{
    Window& w = window();
    w.settle();
    for (auto _ : state) {
        w.form->ord_Click(index);
        QCoreApplication::processEvents();
    }
    state.counters["rows"] = static_cast<double>(w.form->Data1.recordset().size());
}

constexpr int kScreenRows = 40;

// The rows of one screen of an order from `offset` on, every column read as text.
void raw_screen(const std::string& order, long offset)
{
    bench::RawStatement query(raw(), "select * from qcontatti order by " + order + " limit "
                                         + std::to_string(kScreenRows) + " offset "
                                         + std::to_string(offset));
    while (query.step())
        for (int c = 0; c < sqlite3_column_count(query.get()); ++c)
            benchmark::DoNotOptimize(sqlite3_column_text(query.get(), c));
}

// The first screen of the order: the least that shows the sorted list.
void raw_sort(benchmark::State& state, const std::string& order)
{
    for (auto _ : state)
        raw_screen(order, 0);
}

sqlite3* program_book();

// How the list stands when the scroll bar is dragged: sorted again since the last jump
// (nothing was written meanwhile); just sorted after another program wrote to the book (no
// signpost and a cold page cache); or that, and then left on screen for half a second.
enum class Before { SortedAgain, WrittenAndSorted, WrittenSortedAndShown };

// The scroll bar dragged to the middle or the end of the list in nick order: the grid shows
// the rows there.
void jump(benchmark::State& state, double where, Before before)
{
    Window& w = window();
    w.form->ord_Click(0);
    w.settle();
    QScrollBar* bar = w.form->TDBGrid1->verticalScrollBar();
    for (auto _ : state) {
        state.PauseTiming();
        if (before != Before::SortedAgain)
            sqlite3_exec(program_book(), "update conteggio set righe = righe", nullptr, nullptr, nullptr);
        w.form->ord_Click(0);   // no window of rows kept from the pass before
        bar->setValue(0);
        QCoreApplication::processEvents();
        if (before == Before::WrittenSortedAndShown) {
            QElapsedTimer shown;
            shown.start();
            while (shown.elapsed() < 500)
                QCoreApplication::processEvents();
        }
        state.ResumeTiming();
        bar->setValue(static_cast<int>(bar->maximum() * where));
        w.form->TDBGrid1->viewport()->repaint();
    }
}

// `cold`: another connection wrote to the file first, so the page cache starts empty.
void raw_jump(benchmark::State& state, double where, bool cold)
{
    const long rows = bench::book_contacts();
    sqlite3* other = nullptr;
    if (cold)
        other = bench::open_raw((program_folder().folder / "raw.mdb").string());
    for (auto _ : state) {
        if (cold) {
            state.PauseTiming();
            sqlite3_exec(other, "update conteggio set righe = righe", nullptr, nullptr, nullptr);
            state.ResumeTiming();
        }
        raw_screen("chiave_nick, id", std::min<long>(static_cast<long>(rows * where), rows - kScreenRows));
    }
    sqlite3_close(other);
}

// The peak resident memory of this process while the window sorts the book each way, jumps to
// the middle and the end of every order and searches; the peak is reset first and the raw
// connection's page cache emptied, so what is left beside the window is the libraries the
// program carries too.
void peak_memory(benchmark::State& state)
{
    Window& w = window();
    QScrollBar* bar = w.form->TDBGrid1->verticalScrollBar();
    sqlite3_db_release_memory(raw());
    std::ofstream("/proc/self/clear_refs") << "5";
    for (auto _ : state) {
        for (const Order& order : kOrders) {
            w.form->ord_Click(order.index);
            QCoreApplication::processEvents();
            for (double where : {0.5, 1.0, 0.25}) {
                bar->setValue(static_cast<int>(bar->maximum() * where));
                w.form->TDBGrid1->viewport()->repaint();
            }
        }
        w.form->find->setText(QString::fromLatin1(kNoMatch));
        w.form->Image6_Click();
        QCoreApplication::processEvents();
    }
    state.counters["peak_MB"] = peak_memory_mb("self");
}

// Each pass deletes the first contact in nick order, answered Yes.
void delete_contact(benchmark::State& state)
{
    Window& w = window();
    w.form->ord_Click(0);
    w.settle();
    const long before = w.form->Data1.recordset().size();
    for (auto _ : state) {
        w.doubles.messages->answers.push_back(platform::vbYes);
        w.form->Image7_Click();
        QCoreApplication::processEvents();
    }
    const long deleted = before - w.form->Data1.recordset().size();
    if (deleted != static_cast<long>(state.iterations()))
        state.SkipWithError("not every pass deleted a contact");
}

void raw_delete_contact(benchmark::State& state)
{
    for (auto _ : state) {
        bench::RawStatement first(raw(), "select id from contatti order by chiave_nick limit 1");
        first.step();
        bench::RawStatement erase(raw(), "delete from contatti where id = ?");
        sqlite3_bind_int64(erase.get(), 1, sqlite3_column_int64(first.get(), 0));
        if (sqlite3_step(erase.get()) != SQLITE_DONE)
            state.SkipWithError(sqlite3_errmsg(raw()));
        raw_screen("chiave_nick, id", 0);   // the list shown again without the contact
    }
}

// ---- the imports: 999 buddies and 999 Outlook lines into the book of 100,000 contacts.
// Each pass starts from the same book: the rows a pass added are removed, untimed.

constexpr int kImported = 999;

std::string import_file(const char* name, const std::string& text)
{
    const fs::path path = program_folder().folder / name;
    std::ofstream(path, std::ios::binary) << text;
    return path.string();
}

std::string buddy_file()
{
    std::string text = "[Categorie]\r\n000=Amici\r\n001=Lavoro\r\n[Buddys]\r\n";
    for (int i = 1; i <= kImported; ++i) {
        char key[8];
        std::snprintf(key, sizeof key, "%03d", i);
        text += std::string(key) + "=buddy" + key + "\r\n" + key + "cat=" + std::to_string(i % 2) + "\r\n";
    }
    return import_file("buddys", text);
}

std::string outlook_file()
{
    std::string text = "Name;E-mail;Phone\r\n";
    for (int i = 1; i <= kImported; ++i)
        text += "Person " + std::to_string(i) + ";person" + std::to_string(i) + "@example.com;555\r\n";
    return import_file("outlook.txt", text);
}

void remove_rows_after(sqlite3* db, long long last_id)
{
    bench::RawStatement erase(db, "delete from contatti where id > ?");
    sqlite3_bind_int64(erase.get(), 1, last_id);
    sqlite3_step(erase.get());
}

long long last_id(sqlite3* db)
{
    bench::RawStatement query(db, "select max(id) from contatti");
    query.step();
    return sqlite3_column_int64(query.get(), 0);
}

long long rows_after(sqlite3* db, long long id)
{
    bench::RawStatement query(db, "select count(*) from contatti where id > ?");
    sqlite3_bind_int64(query.get(), 1, id);
    query.step();
    return sqlite3_column_int64(query.get(), 0);
}

sqlite3* program_book()
{
    static sqlite3* db = bench::open_raw((program_folder().folder / "program" / "contatti.mdb").string());
    return db;
}

class Picker : public platform::OpenFileService {
public:
    explicit Picker(std::string path) : path_(std::move(path)) {}
    std::string pick(const platform::OpenFileRequest&) override { return path_; }

private:
    std::string path_;
};

// The whole handler, dialog answered with the file, and the repaint it leaves behind.
void import(benchmark::State& state, bool outlook)
{
    Window& w = window();
    platform::services().open_file = std::make_unique<Picker>(outlook ? outlook_file() : buddy_file());
    w.settle();
    const long long before = last_id(program_book());
    long long added = 0;
    for (auto _ : state) {
        outlook ? w.form->ImpOut_Click() : w.form->ImpC6_Click();
        QCoreApplication::processEvents();
        state.PauseTiming();
        added += rows_after(program_book(), before);
        remove_rows_after(program_book(), before);
        w.form->Data1.Refresh();
        state.ResumeTiming();
    }
    state.counters["rows"] = static_cast<double>(added) / static_cast<double>(state.iterations());
}

// The same lookups and inserts, each insert its own transaction as the import's are.
void raw_import(benchmark::State& state, bool outlook)
{
    const long long before = last_id(raw());
    long long added = 0;
    for (auto _ : state) {
        // Nicks are looked up and kept through their key, as the program keeps them.
        bench::RawStatement lookup(raw(), "select nick from contatti where chiave_nick = ?");
        bench::RawStatement insert(raw(), outlook ? "insert into contatti (nick, nome, email, chiave_nick) values (?, ?, ?, ?)"
                                                  : "insert into contatti (nick, note, chiave_nick) values (?, ?, ?)");
        for (int i = 1; i <= kImported; ++i) {
            const std::string nick = outlook ? "Nick " + std::to_string(before + i) : "buddy" + std::to_string(i);
            const std::string key = platform::text_key(nick);
            sqlite3_bind_text(lookup.get(), 1, key.c_str(), -1, SQLITE_TRANSIENT);
            const bool held = lookup.step();
            sqlite3_reset(lookup.get());
            if (held)
                continue;
            const std::string second = outlook ? "Person " + std::to_string(i) : "Category Amici";
            const std::string third = "person" + std::to_string(i) + "@example.com";
            sqlite3_bind_text(insert.get(), 1, nick.c_str(), -1, SQLITE_TRANSIENT);
            sqlite3_bind_text(insert.get(), 2, second.c_str(), -1, SQLITE_TRANSIENT);
            if (outlook)
                sqlite3_bind_text(insert.get(), 3, third.c_str(), -1, SQLITE_TRANSIENT);
            sqlite3_bind_text(insert.get(), outlook ? 4 : 3, key.c_str(), -1, SQLITE_TRANSIENT);
            sqlite3_step(insert.get());
            sqlite3_reset(insert.get());
        }
        state.PauseTiming();
        added += rows_after(raw(), before);
        remove_rows_after(raw(), before);
        state.ResumeTiming();
    }
    state.counters["rows"] = static_cast<double>(added) / static_cast<double>(state.iterations());
}


const bool registered = [] {
    using benchmark::RegisterBenchmark;
    RegisterBenchmark("Main/ProcessStartToWindowShown", process_start_to_window_shown)
        ->UseManualTime()->Iterations(5)->Unit(benchmark::kMillisecond);
    RegisterBenchmark("Raw/Main/OpenFirstScreen", raw_open_first_screen)
        ->Iterations(5)->Unit(benchmark::kMillisecond);
    RegisterBenchmark("Main/FormLoad", form_load)->Iterations(5)->Unit(benchmark::kMillisecond);
    RegisterBenchmark("Main/RowChange", row_change)->Unit(benchmark::kMillisecond);
    RegisterBenchmark("Main/SearchNoMatch", search_no_match)->Unit(benchmark::kMillisecond);
    RegisterBenchmark("Raw/Main/SearchNoMatch", raw_search_no_match)->Unit(benchmark::kMillisecond);
    RegisterBenchmark("Main/SearchFound", [](benchmark::State& s) { search_found(s, "star", "trovato.wav"); })
        ->Unit(benchmark::kMillisecond);
    RegisterBenchmark("Raw/Main/SearchFound", raw_search_found)->Unit(benchmark::kMillisecond);
    RegisterBenchmark("Main/SearchLeadingWildcard",
                      [](benchmark::State& s) { search_found(s, "*zzzz", "nontrovato.wav"); })
        ->Iterations(3)->Unit(benchmark::kMillisecond);
    RegisterBenchmark("Raw/Main/ScanThreeFields", raw_scan_three_fields)
        ->Iterations(3)->Unit(benchmark::kMillisecond);
    for (const Order& order : kOrders) {
        const int16_t index = order.index;
        const std::string raw_order = order.raw_order;
        RegisterBenchmark((std::string("Main/Sort/") + order.name).c_str(),
                          [index](benchmark::State& s) { sort(s, index); })
            ->Unit(benchmark::kMillisecond);
        RegisterBenchmark((std::string("Raw/Main/Sort/") + order.name).c_str(),
                          [raw_order](benchmark::State& s) { raw_sort(s, raw_order); })
            ->Unit(benchmark::kMillisecond);
    }
    for (const auto& [name, where] : {std::pair{"middle", 0.5}, std::pair{"end", 1.0}}) {
        const double at = where;
        RegisterBenchmark((std::string("Main/Jump/") + name).c_str(),
                          [at](benchmark::State& s) { jump(s, at, Before::SortedAgain); })
            ->Unit(benchmark::kMillisecond);
        RegisterBenchmark((std::string("Raw/Main/Jump/") + name).c_str(),
                          [at](benchmark::State& s) { raw_jump(s, at, false); })
            ->Unit(benchmark::kMillisecond);
        RegisterBenchmark((std::string("Main/FirstJump/") + name).c_str(),
                          [at](benchmark::State& s) { jump(s, at, Before::WrittenAndSorted); })
            ->Iterations(5)->Unit(benchmark::kMillisecond);
        RegisterBenchmark((std::string("Main/FirstJumpAfterAMoment/") + name).c_str(),
                          [at](benchmark::State& s) { jump(s, at, Before::WrittenSortedAndShown); })
            ->Iterations(5)->Unit(benchmark::kMillisecond);
        RegisterBenchmark((std::string("Raw/Main/FirstJump/") + name).c_str(),
                          [at](benchmark::State& s) { raw_jump(s, at, true); })
            ->Iterations(5)->Unit(benchmark::kMillisecond);
    }
    RegisterBenchmark("Main/PeakMemoryOfSortsJumpsAndSearch", peak_memory)
        ->Iterations(1)->Unit(benchmark::kMillisecond);
    RegisterBenchmark("Main/Delete", delete_contact)->Unit(benchmark::kMillisecond);
    RegisterBenchmark("Raw/Main/Delete", raw_delete_contact)->Unit(benchmark::kMillisecond);
    RegisterBenchmark("Main/ImportC6", [](benchmark::State& s) { import(s, false); })
        ->Iterations(5)->Unit(benchmark::kMillisecond);
    RegisterBenchmark("Raw/Main/ImportC6", [](benchmark::State& s) { raw_import(s, false); })
        ->Iterations(5)->Unit(benchmark::kMillisecond);
    RegisterBenchmark("Main/ImportOutlook", [](benchmark::State& s) { import(s, true); })
        ->Iterations(5)->Unit(benchmark::kMillisecond);
    RegisterBenchmark("Raw/Main/ImportOutlook", [](benchmark::State& s) { raw_import(s, true); })
        ->Iterations(5)->Unit(benchmark::kMillisecond);
    return true;
}();

} // namespace

// The banner's cost: one message tick, and the processor time of the idle program while a
// message scrolls (the program's own timers, painting included, for a whole minute).
#include "contacts/Main.h"
#include "platform/files.h"
#include "platform/services.h"
#include "platform/settings.h"
#include "platform/single_instance.h"
#include "tests/support/doubles.h"

#include <QEventLoop>
#include <QTimer>
#include <benchmark/benchmark.h>
#include <sys/resource.h>

#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <memory>
#include <stdexcept>
#include <string>

namespace {

namespace fs = std::filesystem;

const char* const kSettings = "[banner]\nattivo=TRUE\n"
                              "[mess1]\nintervallo=65535\nvelocita=60\nforecolor=4\nbackcolor=14\n"
                              "testo1=News: import your buddies from C6 and MS Outlook in one click, today!\n"
                              "testo2=Rate your chat friends with five stars each\nlink1=http://www.example.com/\n"
                              "[mess2]\nintervallo=60000\ntesto1=Welcome to Tavoly\n";

// A program folder of its own with a fresh book and "set.txt", and no probe: the banner runs
// off line on the local file. Settings, home and autostart folder are kept out of reach.
class BannerWindow {
public:
    BannerWindow()
    {
        std::string pattern = (fs::temp_directory_path() / "tavoly-bench-banner-XXXXXX").string();
        if (!mkdtemp(pattern.data()))
            throw std::runtime_error("cannot make a temporary folder");
        folder_ = pattern;
        fs::create_directories(folder_ / "program");
        fs::create_directories(folder_ / "home");
        std::ofstream(folder_ / "program" / "set.txt") << kSettings;
        setenv("HOME", (folder_ / "home").c_str(), 1);
        setenv("XDG_CONFIG_HOME", (folder_ / "home" / ".config").c_str(), 1);
        platform::set_home_folder((folder_ / "home").string());
        platform::set_program_folder((folder_ / "program").string());
        platform::set_settings_folder((folder_ / "home").string());
        platform::set_instance_lock_file((folder_ / "instance.lock").string());
        std::string arg0 = "tavoly", arg1 = "x";
        char* argv[] = {arg0.data(), arg1.data()};
        platform::set_command_line(2, argv);
        saved_messages_ = std::exchange(platform::services().messages,
                                        std::make_unique<testing_support::RecordingMessageBoxes>());
        form = std::make_unique<Main>();
        form->Form_Load();
        form->inizializza_banner();
    }
    ~BannerWindow()
    {
        form.reset();
        platform::services().messages = std::move(saved_messages_);
        platform::set_instance_lock_file("");
        std::error_code ec;
        fs::remove_all(folder_, ec);
    }
    std::unique_ptr<Main> form;

private:
    fs::path folder_;
    std::unique_ptr<platform::MessageBoxService> saved_messages_;
};

double processor_seconds()
{
    rusage usage{};
    getrusage(RUSAGE_SELF, &usage);
    const auto seconds = [](const timeval& t) { return double(t.tv_sec) + double(t.tv_usec) / 1e6; };
    return seconds(usage.ru_utime) + seconds(usage.ru_stime);
}

void BM_BannerMessageTick(benchmark::State& state)
{
    BannerWindow window;
    for (auto _ : state)
        window.form->Timer1_Timer();
}
BENCHMARK(BM_BannerMessageTick)->Unit(benchmark::kMillisecond);

// Target: under 1 % of a core. The time is the wall clock the window ran; the counter is the
// share of one core the process used meanwhile.
void BM_BannerIdleWhileScrolling(benchmark::State& state)
{
    BannerWindow window;
    window.form->show();
    window.form->Timer1_Timer();   // the wide first message: the scroll timer runs
    for (auto _ : state) {
        const double before = processor_seconds();
        QEventLoop idle;
        QTimer::singleShot(int(state.range(0)) * 1000, &idle, &QEventLoop::quit);
        idle.exec();
        state.counters["core_percent"] = 100 * (processor_seconds() - before) / double(state.range(0));
    }
    state.counters["scrolling"] = window.form->Timer2->Enabled() ? 1 : 0;
}
BENCHMARK(BM_BannerIdleWhileScrolling)->Arg(60)->Iterations(1)->Unit(benchmark::kSecond);

} // namespace

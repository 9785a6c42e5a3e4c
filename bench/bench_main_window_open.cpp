// Opening the main window on the 100,000-contact book, and moving to another row.
#include "bench/book.h"
#include "contacts/Main.h"
#include "platform/files.h"
#include "platform/settings.h"

#include <QApplication>
#include <QDir>
#include <QElapsedTimer>
#include <QFile>
#include <QProcess>
#include <QStandardPaths>
#include <QTemporaryDir>
#include <QThread>
#include <benchmark/benchmark.h>

namespace {

// A program folder holding the executable and the big book; settings kept beside it.
struct BigProgramFolder {
    QTemporaryDir dir;
    QString program;
    BigProgramFolder()
    {
        program = dir.path() + "/program";
        QDir().mkpath(program);
        QDir().mkpath(dir.path() + "/config");
        QFile::copy(QStringLiteral(TAVOLY_EXECUTABLE), program + "/tavoly");
        QFile::copy(QString::fromStdString(bench::book_path()), program + "/contatti.mdb");
    }
};

BigProgramFolder& folder()
{
    static BigProgramFolder f;
    return f;
}

bool window_on_screen()
{
    QProcess search;
    search.setStandardOutputFile(QProcess::nullDevice());
    search.start("xdotool", {"search", "--onlyvisible", "--name", "^Tavoly\\? - "});
    search.waitForFinished();
    return search.exitCode() == 0;
}

// Process start to the window on screen: the real executable in the bench's X display, the
// window looked for every few milliseconds (xdotool's own --sync waits half a second a try).
void BM_ProcessStartToWindowShown(benchmark::State& state)
{
    if (qEnvironmentVariableIsEmpty("DISPLAY") || QStandardPaths::findExecutable("xdotool").isEmpty()) {
        state.SkipWithError("needs an X display and xdotool (run under xvfb-run)");
        return;
    }
    QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
    env.remove("QT_QPA_PLATFORM");
    env.insert("XDG_CONFIG_HOME", folder().dir.path() + "/config");
    for (auto _ : state) {
        QElapsedTimer timer;
        timer.start();
        QProcess tavoly;
        tavoly.setProcessEnvironment(env);
        tavoly.setWorkingDirectory(folder().program);
        tavoly.start(folder().program + "/tavoly", {"x"});
        while (!window_on_screen())
            QThread::msleep(2);
        state.SetIterationTime(timer.nsecsElapsed() / 1e9);
        tavoly.kill();
        tavoly.waitForFinished();
    }
}
BENCHMARK(BM_ProcessStartToWindowShown)->UseManualTime()->Iterations(5)->Unit(benchmark::kMillisecond);

struct OpenWindow {
    std::unique_ptr<Main> form;
    OpenWindow()
    {
        platform::set_program_folder(folder().program.toStdString());
        platform::set_settings_folder((folder().dir.path() + "/config").toStdString());
        std::string arg0 = "tavoly", arg1 = "x";
        char* argv[] = {arg0.data(), arg1.data()};
        platform::set_command_line(2, argv);
        form = std::make_unique<Main>();
        form->Form_Load();
        QApplication::processEvents();
    }
};

// The start-up in the process: the window built, the book opened and listed, the window painted.
void BM_FormLoadOnTheBigBook(benchmark::State& state)
{
    for (auto _ : state)
        OpenWindow window;
}
BENCHMARK(BM_FormLoadOnTheBigBook)->Unit(benchmark::kMillisecond)->Iterations(5);

// A row change: the grid commits nothing, moves the data control, the card follows.
void BM_RowChange(benchmark::State& state)
{
    OpenWindow window;
    long row = 0;
    for (auto _ : state) {
        row = (row + 7919) % bench::kBookContacts;
        window.form->TDBGrid1->userMoveTo(row, 0);
    }
}
BENCHMARK(BM_RowChange)->Unit(benchmark::kMillisecond);

} // namespace

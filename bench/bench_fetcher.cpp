// The page fetcher beside curl fetching the same 1 MB from the same loopback server in the same
// run (curl's time includes starting its process; the server shares the fetcher's thread), and the processor time the program spends
// while the connection test waits for a probe that answers after 5 s.
#include "banner/CNetGet.h"
#include "banner/TestConnection.h"
#include "platform/files.h"
#include "tests/support/loopback_http.h"

#include <QEventLoop>
#include <QFile>
#include <QProcess>
#include <QTemporaryDir>
#include <benchmark/benchmark.h>
#include <sys/resource.h>

#include <chrono>

namespace {

constexpr const char* kMegabyte = "/bytes/1048576";

void BM_ReadUrl_1MB_IntoMemory(benchmark::State& state)
{
    testing_support::LoopbackHttp server;
    CNetGet net;
    net.Init();
    for (auto _ : state)
        if (!net.ReadUrl(server.url(kMegabyte)) || net.GetRawHTML().size() != 1048576)
            state.SkipWithError("download failed");
    state.SetBytesProcessed(int64_t(state.iterations()) * 1048576);
}
BENCHMARK(BM_ReadUrl_1MB_IntoMemory)->Unit(benchmark::kMillisecond)->UseRealTime();

void BM_ReadUrl_1MB_IntoFile(benchmark::State& state)
{
    testing_support::LoopbackHttp server;
    QTemporaryDir dir;
    const std::string target = dir.filePath("set.txt").toStdString();
    CNetGet net;
    net.Init();
    for (auto _ : state)
        if (!net.ReadUrl(server.url(kMegabyte), target))
            state.SkipWithError("download failed");
    state.SetBytesProcessed(int64_t(state.iterations()) * 1048576);
}
BENCHMARK(BM_ReadUrl_1MB_IntoFile)->Unit(benchmark::kMillisecond)->UseRealTime();

void BM_Curl_1MB(benchmark::State& state)
{
    testing_support::LoopbackHttp server;   // served by this thread's event loop while curl runs
    const QStringList arguments{"-s", "-o", "/dev/null", "-w", "%{time_total}",
                                QString::fromStdString(server.url(kMegabyte))};
    double transfer = 0;   // curl's own time from its start of the request to the last byte
    for (auto _ : state) {
        QProcess curl;
        QEventLoop loop;
        QObject::connect(&curl, &QProcess::finished, &loop, &QEventLoop::quit);
        QObject::connect(&curl, &QProcess::errorOccurred, &loop, &QEventLoop::quit);
        curl.start("curl", arguments);
        loop.exec();
        if (curl.exitStatus() != QProcess::NormalExit || curl.exitCode() != 0)
            state.SkipWithError("curl failed");
        transfer += curl.readAllStandardOutput().toDouble();
    }
    state.counters["curl_own_ms"] = 1000 * transfer / double(state.iterations());
    state.SetBytesProcessed(int64_t(state.iterations()) * 1048576);
}
BENCHMARK(BM_Curl_1MB)->Unit(benchmark::kMillisecond)->UseRealTime();

double processor_seconds()
{
    rusage use{};
    getrusage(RUSAGE_SELF, &use);
    auto seconds = [](const timeval& t) { return double(t.tv_sec) + double(t.tv_usec) / 1e6; };
    return seconds(use.ru_utime) + seconds(use.ru_stime);
}

// The probe is a script that answers "chkon" after 5 s; it runs in a process of its own, so
// what is counted is only the program's own waiting.
void BM_ConnectionTestWait_SlowProbe(benchmark::State& state)
{
    QTemporaryDir dir;
    const QString probe = dir.filePath("chk.exe");
    {
        QFile script(probe);
        script.open(QIODevice::WriteOnly);
        script.write("#!/bin/sh\nsleep 5\n: > \"$(dirname \"$0\")/chkon\"\n");
    }
    QFile::setPermissions(probe, QFile::ReadOwner | QFile::WriteOwner | QFile::ExeOwner);
    platform::set_program_folder(dir.path().toStdString());
    double busy = 0, waited = 0;
    for (auto _ : state) {
        const double before = processor_seconds();
        const auto start = std::chrono::steady_clock::now();
        std::string general;
        if (!TestConnection::verifica_connessione(general))
            state.SkipWithError("no answer from the probe");
        waited += std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
        busy += processor_seconds() - before;
    }
    platform::set_program_folder("");
    state.counters["cpu_percent_of_a_core"] = 100.0 * busy / waited;
}
BENCHMARK(BM_ConnectionTestWait_SlowProbe)->Iterations(1)->Unit(benchmark::kSecond);

} // namespace

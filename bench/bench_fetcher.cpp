// The page fetcher beside curl fetching the same 1 MB from the same loopback server in the same
// run (curl's time includes starting its process), and the processor time the program spends
// while the connection test waits for a probe that answers after 5 s.
#include "banner/CNetGet.h"
#include "banner/TestConnection.h"
#include "platform/files.h"
#include "tests/support/loopback_http.h"

#include <QFile>
#include <QProcess>
#include <QTemporaryDir>
#include <benchmark/benchmark.h>
#include <sys/resource.h>

#include <chrono>

namespace {

constexpr const char* kMegabyte = "/bytes/1048576";

testing_support::LoopbackHttp& server()
{
    static testing_support::LoopbackHttp instance;
    return instance;
}

void BM_ReadUrl_1MB_IntoMemory(benchmark::State& state)
{
    CNetGet net;
    net.Init();
    for (auto _ : state)
        if (!net.ReadUrl(server().url(kMegabyte)) || net.GetRawHTML().size() != 1048576)
            state.SkipWithError("download failed");
    state.SetBytesProcessed(int64_t(state.iterations()) * 1048576);
}
BENCHMARK(BM_ReadUrl_1MB_IntoMemory)->Unit(benchmark::kMillisecond);

void BM_ReadUrl_1MB_IntoFile(benchmark::State& state)
{
    QTemporaryDir dir;
    const std::string target = dir.filePath("set.txt").toStdString();
    CNetGet net;
    net.Init();
    for (auto _ : state)
        if (!net.ReadUrl(server().url(kMegabyte), target))
            state.SkipWithError("download failed");
    state.SetBytesProcessed(int64_t(state.iterations()) * 1048576);
}
BENCHMARK(BM_ReadUrl_1MB_IntoFile)->Unit(benchmark::kMillisecond);

void BM_Curl_1MB(benchmark::State& state)
{
    const QStringList arguments{"-s", "-o", "/dev/null", QString::fromStdString(server().url(kMegabyte))};
    for (auto _ : state)
        if (QProcess::execute("curl", arguments) != 0)
            state.SkipWithError("curl failed");
    state.SetBytesProcessed(int64_t(state.iterations()) * 1048576);
}
BENCHMARK(BM_Curl_1MB)->Unit(benchmark::kMillisecond);

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

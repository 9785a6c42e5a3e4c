#include "bench/book.h"

#include <QApplication>
#include <benchmark/benchmark.h>

int main(int argc, char** argv)
{
    // The window benchmarks build real widgets; they need no screen of their own.
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM"))
        qputenv("QT_QPA_PLATFORM", "offscreen");
    QApplication app(argc, argv);
    benchmark::Initialize(&argc, argv);
    if (benchmark::ReportUnrecognizedArguments(argc, argv))
        return 1;
    // Made before any timing: a benchmark's first pass must not pay for it.
    bench::book_path();  // made once, kept for later runs
    benchmark::RunSpecifiedBenchmarks();
    benchmark::Shutdown();
    bench::release_before_application_ends();
    return 0;
}

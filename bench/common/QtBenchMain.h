#pragma once

#include <QApplication>

#include <benchmark/benchmark.h>

#include <cstdio>
#include <ctime>

// CPU time the calling thread has used, in milliseconds (what a window's thread spends).
inline double threadCpuMs() {
    timespec t{};
    clock_gettime(CLOCK_THREAD_CPUTIME_ID, &t);
    return double(t.tv_sec) * 1e3 + double(t.tv_nsec) / 1e6;
}

// The main() of a benchmark program with windows: an offscreen QApplication, every
// registered benchmark, then the targets it is measured against.
inline int runWindowBenchmarks(int argc, char** argv, const char* targets) {
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM"))
        qputenv("QT_QPA_PLATFORM", "offscreen");
    QApplication app(argc, argv);
    benchmark::Initialize(&argc, argv);
    benchmark::RunSpecifiedBenchmarks();
    benchmark::Shutdown();
    if (targets)
        std::printf("%s\n", targets);
    return 0;
}

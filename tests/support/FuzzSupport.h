// What the fuzz targets share: the application object the Qt code needs,
// and the check that ends a run with the broken rule named.
#pragma once

#include <QCoreApplication>
#include <cstdio>
#include <cstdlib>
#include <fuzzer/FuzzedDataProvider.h>

// One QCoreApplication for the whole fuzzing run (timers, text codecs).
inline void FuzzApplication()
{
    static int argc = 1;
    static char name[] = "fuzz";
    static char* argv[] = {name, nullptr};
    static QCoreApplication app(argc, argv);
}

// A rule that must hold whatever the input: its failure is a finding.
#define FUZZ_REQUIRE(rule)                                                       \
    do {                                                                         \
        if (!(rule)) {                                                           \
            std::fprintf(stderr, "%s:%d: broken: %s\n", __FILE__, __LINE__, #rule); \
            std::abort();                                                        \
        }                                                                        \
    } while (0)

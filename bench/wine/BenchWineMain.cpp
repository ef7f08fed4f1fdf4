// sorvane_bench_wine: drives the running program from outside for the benchmarks, one step per run.
#include "CommandLine.h"
#include "ListBoxFloor.h"
#include "ProgramSteps.h"

#include <cstdio>
#include <cstdlib>
#include <vector>

namespace {

int Usage() {
    std::fprintf(stderr, "usage: sorvane_bench_wine prepare TOTAL_MB ADDRESS\n"
                         "       sorvane_bench_wine stop-when-full SECONDS PROGRAM_NAME\n"
                         "       sorvane_bench_wine stop-capture\n"
                         "       sorvane_bench_wine list\n"
                         "       sorvane_bench_wine filter ADDRESS\n"
                         "       sorvane_bench_wine list-box-floor ROWS\n"
                         "       sorvane_bench_wine list-rows\n"
                         "       sorvane_bench_wine watch-counter SECONDS\n");
    return 2;
}

} // namespace

int main() {
    const std::vector<WideString> a = CommandLineArguments();
    if (a.size() == 3 && a[0] == u"prepare")
        return PrepareCapture(a[1], a[2]);
    if (a.size() == 3 && a[0] == u"stop-when-full")
        return StopWhenFull(std::strtod(Utf8FromWide(a[1]).c_str(), nullptr), a[2]);
    if (a.size() == 1 && a[0] == u"stop-capture")
        return StopCapture();
    if (a.size() == 1 && a[0] == u"list")
        return TimeListCommand();
    if (a.size() == 2 && a[0] == u"filter")
        return TimeFilterCommand(a[1]);
    if (a.size() == 2 && a[0] == u"list-box-floor")
        return TimeListBoxFloor(std::atoi(Utf8FromWide(a[1]).c_str()));
    if (a.size() == 1 && a[0] == u"list-rows")
        return PrintListedRows();
    if (a.size() == 2 && a[0] == u"watch-counter")
        return WatchCounter(std::strtod(Utf8FromWide(a[1]).c_str(), nullptr));
    return Usage();
}

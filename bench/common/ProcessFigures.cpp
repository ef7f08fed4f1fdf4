// Reads resident memory and CPU time of the running process.
#include "ProcessFigures.h"

#include <cstdio>
#include <cstring>

#include <sys/resource.h>

namespace {

double Seconds(const timeval& value) {
    return static_cast<double>(value.tv_sec) + static_cast<double>(value.tv_usec) / 1e6;
}

double Seconds(const timespec& value) {
    return static_cast<double>(value.tv_sec) + static_cast<double>(value.tv_nsec) / 1e9;
}

} // namespace

uint64_t ResidentBytes() {
    FILE* status = std::fopen("/proc/self/status", "r");
    if (status == nullptr) {
        return 0;
    }
    char line[256];
    unsigned long long kibibytes = 0;
    while (std::fgets(line, sizeof line, status) != nullptr) {
        if (std::sscanf(line, "VmRSS: %llu kB", &kibibytes) == 1) {
            break;
        }
    }
    std::fclose(status);
    return kibibytes * 1024;
}

double ProcessCpuSeconds() {
    rusage usage{};
    getrusage(RUSAGE_SELF, &usage);
    return Seconds(usage.ru_utime) + Seconds(usage.ru_stime);
}

double ThreadCpuSeconds(clockid_t threadClock) {
    timespec now{};
    if (clock_gettime(threadClock, &now) != 0) {
        return -1;
    }
    return Seconds(now);
}

double WallSeconds() {
    timespec now{};
    clock_gettime(CLOCK_MONOTONIC, &now);
    return Seconds(now);
}

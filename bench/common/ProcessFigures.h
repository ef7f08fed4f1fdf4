// What a benchmark reads about its own process: resident memory and CPU time.
#pragma once

#include <cstdint>
#include <ctime>

// VmRSS of this process in bytes, from /proc/self/status; 0 when it cannot be read.
uint64_t ResidentBytes();

// User plus system CPU time of this whole process, in seconds.
double ProcessCpuSeconds();

// CPU time consumed so far by the thread whose CPU clock this is, in seconds.
double ThreadCpuSeconds(clockid_t threadClock);

// Monotonic wall-clock time in seconds, for spans.
double WallSeconds();

// What this process holds, counted as Windows and Wine both can: its open handles and its commit
// charge, for leak checks across many repetitions.
#pragma once

#include <cstddef>

// The process's open handles; -1 when they cannot be counted.
long OpenHandles();
// The process's commit charge in bytes; 0 when it cannot be read.
size_t CommittedBytes();

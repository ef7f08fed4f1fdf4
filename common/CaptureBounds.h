// Facts of a capture that the engine, the Linux backend and the capture helper share.
#pragma once

#include <cstdint>

// The largest IPv4 datagram: the most the engine reads of one, and the most the relay copies of a
// frame (the kernel hands over longer ones only when it merged several).
constexpr uint32_t kLargestDatagramBytes = 65535;

// Stop looks at the capture thread this often until the thread has closed the capture.
constexpr uint32_t kStopPollMs = 1000;
// The longest the capture thread waits for work before it looks around again.
constexpr uint32_t kWaitTimeoutMs = 500;
// A stop's reads end this long after the thread took the close signal, so that Stop returns at its
// first look even on a loaded machine.
constexpr uint32_t kStopReadingMs = kStopPollMs - kWaitTimeoutMs;
// The Linux relay's wait for the helper to finish, within a stop's reads: a tenth of them is left
// for the reads after it.
constexpr uint32_t kRelayStopWaitMs = kStopReadingMs - kStopReadingMs / 10;

static_assert(kStopReadingMs < kStopPollMs, "a stop's reads end before Stop's first look");
static_assert(kRelayStopWaitMs < kStopReadingMs, "the relay's wait ends within a stop's reads");

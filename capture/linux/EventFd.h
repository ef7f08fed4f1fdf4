// Eventfds as wake-up signals: set by adding one, reset by reading the count away.
#pragma once

#include <cstdint>

#include <unistd.h>

inline void SignalEventFd(int fd) {
    const uint64_t one = 1;
    if (write(fd, &one, sizeof one) < 0) {
        // Only a counter at its maximum refuses, and such a signal is set already.
    }
}

// For a non-blocking eventfd: after this it is not readable until signalled again.
inline void DrainEventFd(int fd) {
    uint64_t count = 0;
    if (read(fd, &count, sizeof count) < 0) {
        // Already drained: nothing to reset.
    }
}

// Helpers shared by the fuzz targets: exactly-sized input copies and a check that stops the run.
#pragma once

#include <cstddef>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <memory>

// Reports a broken invariant and aborts, which libFuzzer records as a crash with its input.
#define FUZZ_CHECK(condition)                                                                                          \
    do {                                                                                                               \
        if (!(condition)) {                                                                                            \
            std::fprintf(stderr, "%s:%d: check failed: %s\n", __FILE__, __LINE__, #condition);                         \
            std::abort();                                                                                              \
        }                                                                                                              \
    } while (false)

// A heap block of exactly size bytes (plus a NUL when asked), so the sanitizer sees any read past it.
inline std::unique_ptr<unsigned char[]> ExactCopy(const unsigned char* data, std::size_t size, bool terminate = false) {
    std::unique_ptr<unsigned char[]> copy(new unsigned char[size + (terminate ? 1 : 0)]);
    if (size > 0) {
        std::memcpy(copy.get(), data, size);
    }
    if (terminate) {
        copy[size] = '\0';
    }
    return copy;
}

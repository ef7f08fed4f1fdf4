// A capture poster for benchmarks: counts the announced packets and prints log texts to stderr.
#pragma once

#include "CaptureMessages.h"

#include <atomic>
#include <cstdio>

class CountingPoster : public CapturePoster {
public:
    bool Post(uint32_t message, uintptr_t wParam, intptr_t) override {
        if (message == WM_CAPTURE_PACKET) {
            packets.fetch_add(static_cast<long>(wParam), std::memory_order_relaxed);
        } else if (message == WM_CAPTURE_FULL) {
            full.fetch_add(1, std::memory_order_release);
        } else if (message == WM_CAPTURE_LOG) {
            char* text = reinterpret_cast<char*>(wParam);
            std::fprintf(stderr, "engine: %s", text);
            delete[] text;
        }
        return true;
    }

    std::atomic<long> packets{0};
    std::atomic<long> full{0};
};

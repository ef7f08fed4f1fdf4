// Shared set-up of the engine tests: the engine over the scripted backend with a recording poster.
#pragma once

#include "Capture.h"
#include "FakeCaptureSystem.h"
#include "RecordingPoster.h"

#include <gtest/gtest.h>

#include <vector>

// Members are destroyed in reverse: the engine shuts down first, then the fake joins its threads.
class EngineTest : public ::testing::Test {
protected:
    FakeCaptureSystem fake;
    RecordingPoster poster;
    CCapture engine{fake, &poster};
};

inline std::vector<unsigned char> StoredBytes(const CCapture& engine, int32_t index) {
    const PacketView view = engine.Get(index);
    return std::vector<unsigned char>(view.bytes, view.bytes + view.length);
}

inline std::vector<unsigned char> PatternPrefix(uint32_t length, unsigned char seed) {
    std::vector<unsigned char> bytes(length);
    for (uint32_t index = 0; index < length; ++index) {
        bytes[index] = PatternByte(index, seed);
    }
    return bytes;
}

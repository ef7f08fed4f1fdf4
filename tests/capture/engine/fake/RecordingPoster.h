// A capture poster for tests: records every notification and takes over the log texts.
#pragma once

#include "CaptureMessages.h"

#include <atomic>
#include <chrono>
#include <condition_variable>
#include <cstdint>
#include <mutex>
#include <string>
#include <vector>

struct PostedMessage {
    uint32_t message;
    uintptr_t wParam;
    intptr_t lParam;
    std::string text; // the copied WM_CAPTURE_LOG text
};

class RecordingPoster : public CapturePoster {
public:
    // Copies and releases a WM_CAPTURE_LOG text, as the main window does; refused posts keep nothing.
    bool Post(uint32_t message, uintptr_t wParam, intptr_t lParam) override;

    // While set, every post fails as if there were no main window.
    std::atomic<bool> refusePosts{false};

    std::vector<PostedMessage> Messages() const;
    std::vector<std::string> LogTexts() const;
    int CountOf(uint32_t message) const;
    int Refused() const;
    // True once at least count messages of that kind were posted; false when the deadline passed first.
    bool WaitForCount(uint32_t message, int count, std::chrono::milliseconds deadline = std::chrono::seconds(20)) const;
    // The packets the WM_CAPTURE_PACKET notices announced (the sum of their wParam).
    int PacketsAnnounced() const;
    // True once at least count packets were announced; false when the deadline passed first.
    bool WaitForPackets(int count, std::chrono::milliseconds deadline = std::chrono::seconds(20)) const;

private:
    int CountLocked(uint32_t message) const;
    int PacketsLocked() const;

    mutable std::mutex m_mutex;
    mutable std::condition_variable m_posted;
    std::vector<PostedMessage> m_messages;
    int m_refused = 0;
};

// The recording poster: a locked list of what the engine posted.
#include "RecordingPoster.h"

#include <algorithm>

bool RecordingPoster::Post(uint32_t message, uintptr_t wParam, intptr_t lParam) {
    std::lock_guard<std::mutex> lock(m_mutex);
    if (refusePosts) {
        ++m_refused;
        return false;
    }
    PostedMessage posted{message, wParam, lParam, {}};
    if (message == WM_CAPTURE_LOG) {
        char* text = reinterpret_cast<char*>(wParam);
        posted.text = text;
        delete[] text;
    }
    m_messages.push_back(std::move(posted));
    m_posted.notify_all();
    return true;
}

std::vector<PostedMessage> RecordingPoster::Messages() const {
    std::lock_guard<std::mutex> lock(m_mutex);
    return m_messages;
}

std::vector<std::string> RecordingPoster::LogTexts() const {
    std::lock_guard<std::mutex> lock(m_mutex);
    std::vector<std::string> texts;
    for (const PostedMessage& posted : m_messages) {
        if (posted.message == WM_CAPTURE_LOG) {
            texts.push_back(posted.text);
        }
    }
    return texts;
}

int RecordingPoster::CountLocked(uint32_t message) const {
    return static_cast<int>(std::count_if(m_messages.begin(), m_messages.end(), [message](const PostedMessage& posted) {
        return posted.message == message;
    }));
}

int RecordingPoster::CountOf(uint32_t message) const {
    std::lock_guard<std::mutex> lock(m_mutex);
    return CountLocked(message);
}

int RecordingPoster::Refused() const {
    std::lock_guard<std::mutex> lock(m_mutex);
    return m_refused;
}

bool RecordingPoster::WaitForCount(uint32_t message, int count, std::chrono::milliseconds deadline) const {
    std::unique_lock<std::mutex> lock(m_mutex);
    return m_posted.wait_for(lock, deadline, [&] { return CountLocked(message) >= count; });
}

int RecordingPoster::PacketsLocked() const {
    int packets = 0;
    for (const PostedMessage& posted : m_messages) {
        if (posted.message == WM_CAPTURE_PACKET) {
            packets += static_cast<int>(posted.wParam);
        }
    }
    return packets;
}

int RecordingPoster::PacketsAnnounced() const {
    std::lock_guard<std::mutex> lock(m_mutex);
    return PacketsLocked();
}

bool RecordingPoster::WaitForPackets(int count, std::chrono::milliseconds deadline) const {
    std::unique_lock<std::mutex> lock(m_mutex);
    return m_posted.wait_for(lock, deadline, [&] { return PacketsLocked() >= count; });
}

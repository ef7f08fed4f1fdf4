// The program's side of the capture helper: asks it for each capture socket over a private channel.
#pragma once

#include "BoundPacketSocket.h"

#include <mutex>
#include <string>

// Safe to use from two threads: the engine opens sockets on the user-interface thread and asks for
// notices on the capture thread.
class CaptureHelperClient {
public:
    // startChannel: the program's end of the socket pair the launcher made for the helper, which
    // this object then owns; -1 when the program was started without one.
    explicit CaptureHelperClient(int startChannel);
    CaptureHelperClient(const CaptureHelperClient&) = delete;
    CaptureHelperClient& operator=(const CaptureHelperClient&) = delete;
    ~CaptureHelperClient();

    // A packet socket bound to the interface, or fd -1 and one line naming the step that failed.
    BoundPacketSocket Request(const std::string& interfaceName);
    // Once, after the helper has gone: a line saying so. Empty otherwise, and ever after.
    std::string TakeGoneNotice();

private:
    void Connect();
    void MarkGone();
    BoundPacketSocket Exchange(const std::string& interfaceName);

    std::mutex m_mutex;
    int m_startChannel;
    int m_channel = -1;
    bool m_connectTried = false;
    bool m_gone = false;
    bool m_goneReported = false;
    // Set when there never was a usable helper; every request fails with it.
    std::string m_startFailure;
};

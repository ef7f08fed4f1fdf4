// The program's side of the capture helper: asks it for each capture over a private channel.
#pragma once

#include <mutex>
#include <string>

// What the helper hands over for one capture (see RelayLayout.h), the caller's to close: the relay
// area, the eventfd the helper signals and the one the program signals. All -1 and one line naming
// the step that failed when the capture could not be opened.
struct RelayedDescriptors {
    int area;
    int data;
    int freed;
    std::string failure;
};

// Safe to use from two threads: the engine opens sockets on the user-interface thread and asks for
// notices on the capture thread.
class CaptureHelperClient {
public:
    // startChannel: the program's end of the socket pair the launcher made for the helper, which
    // this object then owns; -1 when the program was started without one. With connected, it is
    // instead a private channel already (no hello is sent), as a helper run in this process gets.
    explicit CaptureHelperClient(int startChannel, bool connected = false);
    CaptureHelperClient(const CaptureHelperClient&) = delete;
    CaptureHelperClient& operator=(const CaptureHelperClient&) = delete;
    ~CaptureHelperClient();

    // A capture of the interface's datagrams, relayed by the helper.
    RelayedDescriptors Request(const std::string& interfaceName);
    // Asks the helper to take the open capture off the traffic, or to end it; nothing when the
    // helper is gone.
    void RequestStop();
    void RequestEnd();
    // Once, after the helper has gone: a line saying so. Empty otherwise, and ever after.
    std::string TakeGoneNotice();

private:
    void Connect();
    void MarkGone();
    void Tell(const std::string& request);
    RelayedDescriptors Exchange(const std::string& interfaceName);

    std::mutex m_mutex;
    int m_startChannel;
    int m_channel = -1;
    bool m_connectTried = false;
    bool m_gone = false;
    bool m_goneReported = false;
    // Set when there never was a usable helper; every request fails with it.
    std::string m_startFailure;
};

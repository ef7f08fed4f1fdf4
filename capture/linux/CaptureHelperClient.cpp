// The program's side of the capture helper: the hello that opens a private channel, then requests.
#include "CaptureHelperClient.h"

#include "HelperMessages.h"
#include "HelperProtocol.h"

#include <cerrno>
#include <utility>

#include <fcntl.h>
#include <poll.h>
#include <sys/socket.h>
#include <unistd.h>

namespace {

// A helper that answers nothing in this time is taken for gone, so that a start never hangs.
constexpr int kReplyTimeoutMs = 5000;
// The helper answers a hello at once: it refuses it with a line, or takes it and closes the start
// channel. This bounds the wait for one of the two.
constexpr int kHelloAnswerTimeoutMs = 2000;

constexpr char kGoneFailure[] = "capture helper request failed: the helper has exited\n";
constexpr char kGoneNotice[] = "capture helper exited: a new capture cannot open its socket\n";
constexpr char kNoHelper[] = "capture helper connection failed: the program was started without its launcher\n";

bool HungUp(int channel) {
    pollfd polled{channel, 0, 0};
    return poll(&polled, 1, 0) > 0 && (polled.revents & (POLLHUP | POLLERR)) != 0;
}

bool Readable(int channel, int timeoutMs) {
    pollfd polled{channel, POLLIN, 0};
    int ready;
    do {
        ready = poll(&polled, 1, timeoutMs);
    } while (ready < 0 && errno == EINTR);
    return ready > 0;
}

RelayedDescriptors Failed(std::string failure) {
    return {-1, -1, -1, std::move(failure)};
}

void CloseIfOpen(int& fd) {
    if (fd >= 0) {
        close(fd);
        fd = -1;
    }
}

} // namespace

CaptureHelperClient::CaptureHelperClient(int startChannel, bool connected) : m_startChannel(startChannel) {
    if (connected) {
        m_channel = std::exchange(m_startChannel, -1);
        m_connectTried = true;
    }
    // The launcher's pair already reached the Wine processes started before this; none started
    // from now on gets it.
    if (m_startChannel >= 0) {
        fcntl(m_startChannel, F_SETFD, FD_CLOEXEC);
    }
}

CaptureHelperClient::~CaptureHelperClient() {
    CloseIfOpen(m_startChannel);
    CloseIfOpen(m_channel);
}

RelayedDescriptors CaptureHelperClient::Request(const std::string& interfaceName) {
    std::lock_guard<std::mutex> lock(m_mutex);
    Connect();
    if (!m_startFailure.empty()) {
        return Failed(m_startFailure);
    }
    if (m_gone) {
        m_goneReported = true;
        return Failed(kGoneFailure);
    }
    RelayedDescriptors opened = Exchange(interfaceName);
    if (m_gone) {
        m_goneReported = true;
    }
    return opened;
}

void CaptureHelperClient::RequestStop() {
    Tell(StopRequest());
}

void CaptureHelperClient::RequestEnd() {
    Tell(EndRequest());
}

// A helper that is gone has nothing left to stop or end; the next request or notice says so.
void CaptureHelperClient::Tell(const std::string& request) {
    std::lock_guard<std::mutex> lock(m_mutex);
    if (m_channel >= 0 && !m_gone) {
        SendMessage(m_channel, request, -1);
    }
}

std::string CaptureHelperClient::TakeGoneNotice() {
    std::lock_guard<std::mutex> lock(m_mutex);
    Connect();
    if (!m_gone && m_channel >= 0 && HungUp(m_channel)) {
        MarkGone();
    }
    if (!m_gone || m_goneReported) {
        return "";
    }
    m_goneReported = true;
    return kGoneNotice;
}

// Sends the hello with a fresh channel that only this process holds (close-on-exec from the
// start). A helper that could not be started left its failure line on the start channel, and one
// that refuses the hello (another protocol version) answers there with its line.
void CaptureHelperClient::Connect() {
    if (m_connectTried) {
        return;
    }
    m_connectTried = true;
    if (m_startChannel < 0) {
        m_startFailure = kNoHelper;
        return;
    }
    int pair[2];
    if (socketpair(AF_UNIX, SOCK_SEQPACKET | SOCK_CLOEXEC, 0, pair) != 0) {
        m_startFailure = "capture helper connection failed: no socket pair\n";
        return;
    }
    const bool sent = SendMessage(m_startChannel, HelloRequest(), pair[1], true);
    close(pair[1]);
    m_channel = pair[0];
    unsigned char buffer[kMaxMessageBytes];
    if (sent) {
        Readable(m_startChannel, kHelloAnswerTimeoutMs);
    }
    ReceivedMessage early = ReceiveMessage(m_startChannel, buffer, sizeof buffer, MSG_DONTWAIT);
    CloseDescriptors(early);
    if (early.size > 0) {
        const HelperReply reply = ParseHelperReply(buffer, static_cast<std::size_t>(early.size));
        m_startFailure = reply.valid && !reply.relay ? reply.failure : "capture helper connection failed\n";
        CloseIfOpen(m_channel);
    } else if (!sent) {
        MarkGone();
    }
    CloseIfOpen(m_startChannel);
}

void CaptureHelperClient::MarkGone() {
    m_gone = true;
    CloseIfOpen(m_channel);
}

RelayedDescriptors CaptureHelperClient::Exchange(const std::string& interfaceName) {
    if (!SendMessage(m_channel, OpenRequest(interfaceName), -1)) {
        MarkGone();
        return Failed(kGoneFailure);
    }
    if (!Readable(m_channel, kReplyTimeoutMs)) {
        MarkGone();
        return Failed("capture helper request failed: no reply\n");
    }
    unsigned char buffer[kMaxMessageBytes];
    ReceivedMessage message = ReceiveMessage(m_channel, buffer, sizeof buffer);
    if (message.size <= 0) {
        MarkGone();
        CloseDescriptors(message);
        return Failed(kGoneFailure);
    }
    const HelperReply reply = ParseHelperReply(buffer, static_cast<std::size_t>(message.size));
    if (reply.valid && reply.relay && message.descriptorCount == 3) {
        return {message.descriptors[0], message.descriptors[1], message.descriptors[2], ""};
    }
    CloseDescriptors(message);
    if (reply.valid && !reply.relay) {
        return Failed(reply.failure);
    }
    return Failed("capture helper request failed: malformed reply\n");
}

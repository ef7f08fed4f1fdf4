// The program's side of the capture helper channel, against a scripted helper on a socket pair.
#include "CaptureHelperClient.h"
#include "HelperMessages.h"
#include "HelperProtocol.h"

#include <gtest/gtest.h>

#include <fstream>
#include <functional>
#include <string>
#include <thread>
#include <utility>

#include <poll.h>
#include <sys/socket.h>
#include <sys/syscall.h>
#include <unistd.h>

namespace {

constexpr char kRefusal[] = "capture helper refused the request: protocol version 9 expected\n";

// Whether the thread is blocked in poll(2) or ppoll(2), as its /proc syscall line shows.
bool BlockedInPoll(pid_t thread) {
    std::ifstream line("/proc/self/task/" + std::to_string(thread) + "/syscall");
    long number = -1;
    line >> number;
    return number == SYS_poll || number == SYS_ppoll;
}

// A helper that refuses the hello only once the client waits for its answer, as one of another
// protocol version does on a busy machine; it then waits for another hello, as the real one does.
void RefuseHelloOnceTheClientWaits(int startChannel, pid_t client) {
    unsigned char buffer[kMaxMessageBytes];
    const ReceivedMessage hello = ReceiveMessage(startChannel, buffer, sizeof buffer);
    if (hello.descriptors[0] >= 0) {
        close(hello.descriptors[0]);
    }
    // A client that does not wait closes the start channel instead: the refusal then comes too late.
    pollfd closed{startChannel, 0, 0};
    while (!BlockedInPoll(client) && poll(&closed, 1, 1) == 0) {
    }
    SendMessage(startChannel, FailureReply(kRefusal), -1);
    ReceiveMessage(startChannel, buffer, sizeof buffer);
    close(startChannel);
}

TEST(CaptureHelperClient, AHelloRefusedAMomentLaterShowsTheHelpersOwnLine) {
    int start[2];
    ASSERT_EQ(socketpair(AF_UNIX, SOCK_SEQPACKET | SOCK_CLOEXEC, 0, start), 0);
    std::thread helper(RefuseHelloOnceTheClientWaits, start[1], static_cast<pid_t>(syscall(SYS_gettid)));
    {
        CaptureHelperClient client(start[0]);
        const RelayedDescriptors opened = client.Request("lo");
        EXPECT_EQ(opened.area, -1);
        EXPECT_EQ(opened.failure, kRefusal);
        EXPECT_EQ(client.Request("lo").failure, kRefusal);
    }
    helper.join();
}

// A helper that takes the hello as the real one does (keeps the fresh channel, closes the start
// channel), then answers requests on the fresh channel with answer(channel) until that returns false.
class ScriptedHelper {
public:
    explicit ScriptedHelper(std::function<bool(int channel)> answer) {
        EXPECT_EQ(socketpair(AF_UNIX, SOCK_SEQPACKET | SOCK_CLOEXEC, 0, m_start), 0);
        m_thread = std::thread([this, answer] {
            unsigned char buffer[kMaxMessageBytes];
            const ReceivedMessage hello = ReceiveMessage(m_start[1], buffer, sizeof buffer);
            close(m_start[1]);
            if (hello.descriptors[0] < 0) {
                return;
            }
            while (answer(hello.descriptors[0])) {
            }
            close(hello.descriptors[0]);
        });
    }
    ScriptedHelper(const ScriptedHelper&) = delete;
    ScriptedHelper& operator=(const ScriptedHelper&) = delete;
    ~ScriptedHelper() { m_thread.join(); }

    // The program's end of the start channel, for the client to own.
    int StartChannel() const { return m_start[0]; }

private:
    int m_start[2] = {-1, -1};
    std::thread m_thread;
};

// Takes the next request off channel; false when the channel has ended.
bool TakeRequest(int channel) {
    unsigned char buffer[kMaxMessageBytes];
    return ReceiveMessage(channel, buffer, sizeof buffer).size > 0;
}

// Whether every copy of the peer of end is closed (its other end sees the hang-up).
bool PeerClosed(int end) {
    pollfd polled{end, POLLIN, 0};
    return poll(&polled, 1, 0) == 1 && (polled.revents & POLLHUP) != 0;
}

// A refusal that comes with as many descriptors as a relay reply: the client closes them.
TEST(CaptureHelperClient, ADescriptorThatCameWithARefusalIsClosed) {
    int probe[2];
    ASSERT_EQ(socketpair(AF_UNIX, SOCK_STREAM | SOCK_CLOEXEC, 0, probe), 0);
    {
        ScriptedHelper helper([&](int channel) {
            if (TakeRequest(channel)) {
                const int three[] = {probe[1], probe[1], probe[1]};
                SendMessage(channel, FailureReply("bind failed\n"), three, 3);
                close(probe[1]);
            }
            return false;
        });
        CaptureHelperClient client(helper.StartChannel());
        const RelayedDescriptors opened = client.Request("lo");
        EXPECT_EQ(opened.area, -1);
        EXPECT_EQ(opened.failure, "bind failed\n");
    }
    EXPECT_TRUE(PeerClosed(probe[0])) << "the descriptor sent with the refusal is still open";
    close(probe[0]);
}

// The success reply without its descriptors, a reply of an unknown kind, and none before the
// channel's end: a failure line, no capture.
TEST(CaptureHelperClient, AReplyWithoutItsDescriptorsOrOfNoKnownKindOrNoneFailsWithALine) {
    const std::string malformed = "capture helper request failed: malformed reply\n";
    for (const auto& [reply, failure] : {std::pair<std::string, std::string>{RelayReply(), malformed},
                                         {"X", malformed},
                                         {"", "capture helper request failed: the helper has exited\n"}}) {
        SCOPED_TRACE(reply);
        ScriptedHelper helper([&reply = reply](int channel) {
            if (TakeRequest(channel) && !reply.empty()) {
                SendMessage(channel, reply, -1);
            }
            return false;
        });
        CaptureHelperClient client(helper.StartChannel());
        const RelayedDescriptors opened = client.Request("lo");
        EXPECT_EQ(opened.area, -1);
        EXPECT_EQ(opened.failure, failure);
    }
}

// What a helper left on the start channel before any hello is every request's failure when it is a
// failure line, and a fixed line otherwise; no notice says the helper went away.
TEST(CaptureHelperClient, ALineLeftOnTheStartChannelIsEveryRequestsFailure) {
    constexpr char kStartFailure[] = "capture helper start failed: /nowhere/helper: No such file or directory\n";
    const std::string fixed = "capture helper connection failed\n";
    for (const auto& [left, failure] : {std::pair<std::string, std::string>{FailureReply(kStartFailure), kStartFailure},
                                        {RelayReply(), fixed},
                                        {"X", fixed}}) {
        SCOPED_TRACE(left);
        int start[2];
        ASSERT_EQ(socketpair(AF_UNIX, SOCK_SEQPACKET | SOCK_CLOEXEC, 0, start), 0);
        ASSERT_TRUE(SendMessage(start[1], left, -1));
        close(start[1]);
        CaptureHelperClient client(start[0]);
        EXPECT_EQ(client.Request("lo").failure, failure);
        EXPECT_EQ(client.Request("veth0").failure, failure);
        EXPECT_EQ(client.TakeGoneNotice(), "");
    }
}

// A helper that takes a request and never answers holds the start of capture up for the reply's
// time-out only; it is then taken for gone.
TEST(CaptureHelperClient, AHelperThatNeverAnswersIsTakenForGoneAfterTheTimeOut) {
    ScriptedHelper helper([](int channel) {
        // Takes the request, then waits for the channel's end without answering.
        return TakeRequest(channel);
    });
    {
        CaptureHelperClient client(helper.StartChannel());
        const RelayedDescriptors opened = client.Request("lo");
        EXPECT_EQ(opened.area, -1);
        EXPECT_EQ(opened.failure, "capture helper request failed: no reply\n");
        EXPECT_EQ(client.Request("lo").failure, "capture helper request failed: the helper has exited\n");
        EXPECT_EQ(client.TakeGoneNotice(), "") << "the failed requests have said so";
    }
}

} // namespace

// The program's side of the capture helper channel, against a scripted helper on a socket pair.
#include "CaptureHelperClient.h"
#include "HelperMessages.h"
#include "HelperProtocol.h"

#include <gtest/gtest.h>

#include <chrono>
#include <functional>
#include <string>
#include <thread>

#include <poll.h>
#include <sys/socket.h>
#include <unistd.h>

namespace {

constexpr char kRefusal[] = "capture helper refused the request: protocol version 9 expected\n";

// A helper that takes a moment before it refuses the hello, as one of another protocol version
// does on a busy machine; it then waits for another hello, as the real one does.
void RefuseHelloAfterAMoment(int startChannel) {
    unsigned char buffer[kMaxMessageBytes];
    const ReceivedMessage hello = ReceiveMessage(startChannel, buffer, sizeof buffer);
    if (hello.descriptors[0] >= 0) {
        close(hello.descriptors[0]);
    }
    std::this_thread::sleep_for(std::chrono::milliseconds(200));
    SendMessage(startChannel, FailureReply(kRefusal), -1);
    ReceiveMessage(startChannel, buffer, sizeof buffer);
    close(startChannel);
}

TEST(CaptureHelperClient, AHelloRefusedAMomentLaterShowsTheHelpersOwnLine) {
    int start[2];
    ASSERT_EQ(socketpair(AF_UNIX, SOCK_SEQPACKET | SOCK_CLOEXEC, 0, start), 0);
    std::thread helper(RefuseHelloAfterAMoment, start[1]);
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

// A refusal that comes with a descriptor all the same: the client closes it.
TEST(CaptureHelperClient, ADescriptorThatCameWithARefusalIsClosed) {
    int probe[2];
    ASSERT_EQ(socketpair(AF_UNIX, SOCK_STREAM | SOCK_CLOEXEC, 0, probe), 0);
    {
        ScriptedHelper helper([&](int channel) {
            if (TakeRequest(channel)) {
                SendMessage(channel, FailureReply("bind failed\n"), probe[1]);
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

// The success reply without its descriptors, and a reply of an unknown kind: a failure line, no capture.
TEST(CaptureHelperClient, AReplyWithoutItsDescriptorsOrOfNoKnownKindFailsWithALine) {
    for (const std::string& reply : {RelayReply(), std::string("X")}) {
        SCOPED_TRACE(reply);
        ScriptedHelper helper([&](int channel) {
            if (TakeRequest(channel)) {
                SendMessage(channel, reply, -1);
            }
            return false;
        });
        CaptureHelperClient client(helper.StartChannel());
        const RelayedDescriptors opened = client.Request("lo");
        EXPECT_EQ(opened.area, -1);
        EXPECT_EQ(opened.failure, "capture helper request failed: malformed reply\n");
    }
}

// A helper that could not start leaves its line on the start channel before any hello: every
// request fails with that line, and no notice says the helper went away.
TEST(CaptureHelperClient, ALineLeftOnTheStartChannelIsEveryRequestsFailure) {
    constexpr char kStartFailure[] = "capture helper start failed: /nowhere/helper: No such file or directory\n";
    int start[2];
    ASSERT_EQ(socketpair(AF_UNIX, SOCK_SEQPACKET | SOCK_CLOEXEC, 0, start), 0);
    ASSERT_TRUE(SendMessage(start[1], FailureReply(kStartFailure), -1));
    close(start[1]);
    CaptureHelperClient client(start[0]);
    EXPECT_EQ(client.Request("lo").failure, kStartFailure);
    EXPECT_EQ(client.Request("veth0").failure, kStartFailure);
    EXPECT_EQ(client.TakeGoneNotice(), "");
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

// The program's side of the capture helper channel, against a scripted helper on a socket pair.
#include "CaptureHelperClient.h"
#include "HelperMessages.h"
#include "HelperProtocol.h"

#include <gtest/gtest.h>

#include <chrono>
#include <string>
#include <thread>

#include <sys/socket.h>
#include <unistd.h>

namespace {

constexpr char kRefusal[] = "capture helper refused the request: protocol version 9 expected\n";

// A helper that takes a moment before it refuses the hello, as one of another protocol version
// does on a busy machine; it then waits for another hello, as the real one does.
void RefuseHelloAfterAMoment(int startChannel) {
    unsigned char buffer[kMaxMessageBytes];
    const ReceivedMessage hello = ReceiveMessage(startChannel, buffer, sizeof buffer);
    if (hello.descriptor >= 0) {
        close(hello.descriptor);
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
        const BoundPacketSocket opened = client.Request("lo");
        EXPECT_EQ(opened.fd, -1);
        EXPECT_EQ(opened.failure, kRefusal);
        EXPECT_EQ(client.Request("lo").failure, kRefusal);
    }
    helper.join();
}

} // namespace

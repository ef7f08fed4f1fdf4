// The capture helper process against untrusted requests, in a throw-away network namespace.
#include "HelperMessages.h"
#include "HelperProtocol.h"
#include "NamespaceTest.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include <linux/if_packet.h>
#include <net/if.h>
#include <sys/socket.h>
#include <sys/wait.h>
#include <unistd.h>

namespace {

struct Reply {
    std::string bytes;
    int descriptor;
};

// One request on the channel and the helper's one reply; the descriptor, if any, is the caller's.
Reply Ask(int channel, const std::string& request, int attached = -1) {
    EXPECT_TRUE(SendMessage(channel, request, attached));
    unsigned char buffer[kMaxMessageBytes];
    const ReceivedMessage message = ReceiveMessage(channel, buffer, sizeof buffer);
    EXPECT_GT(message.size, 0) << "the helper did not answer";
    const size_t kept = message.size > 0 ? std::min<size_t>(static_cast<size_t>(message.size), sizeof buffer) : 0;
    return {std::string(reinterpret_cast<char*>(buffer), kept), message.descriptor};
}

int BoundInterface(int fd) {
    sockaddr_ll bound{};
    socklen_t size = sizeof bound;
    return getsockname(fd, reinterpret_cast<sockaddr*>(&bound), &size) == 0 ? bound.sll_ifindex : 0;
}

// The helper started as the launcher starts it, its start channel on descriptor 3, greeted with a
// hello that hands it the channel this test then talks on. Lives in the calling thread's namespace;
// the calling thread must outlive it (it dies with its parent thread).
class StartedHelper {
public:
    StartedHelper() {
        int start[2];
        int channel[2];
        if (socketpair(AF_UNIX, SOCK_SEQPACKET | SOCK_CLOEXEC, 0, start) != 0 ||
            socketpair(AF_UNIX, SOCK_SEQPACKET | SOCK_CLOEXEC, 0, channel) != 0) {
            return;
        }
        m_pid = fork();
        if (m_pid == 0) {
            dup2(start[1], 3);
            execl(SORVANE_CAPTURE_HELPER, "sorvane-capture-helper", static_cast<char*>(nullptr));
            _exit(127);
        }
        close(start[1]);
        EXPECT_TRUE(SendMessage(start[0], HelloRequest(), channel[1], true));
        close(start[0]);
        close(channel[1]);
        m_channel = channel[0];
    }
    ~StartedHelper() {
        if (m_channel >= 0) {
            close(m_channel);
        }
        if (m_pid > 0) {
            int status = 0;
            EXPECT_EQ(waitpid(m_pid, &status, 0), m_pid);
            EXPECT_TRUE(WIFEXITED(status) && WEXITSTATUS(status) == 0) << "the helper ends cleanly with its channel";
        }
    }
    int Channel() const { return m_channel; }

private:
    pid_t m_pid = -1;
    int m_channel = -1;
};

class CaptureHelperTest : public NamespaceTest {};

std::string Refusal(const char* why) {
    return std::string("Fcapture helper refused the request: ") + why + "\n";
}

} // namespace

TEST_F(CaptureHelperTest, RefusesMalformedRequestsAndStillServesTheNamedInterfaceOnly) {
    m_namespaces->RunInA([] {
        StartedHelper helper;
        ASSERT_GE(helper.Channel(), 0);
        const struct {
            std::string request;
            std::string reply;
        } cases[] = {
            {"", Refusal("empty request")},
            {"X", Refusal("unknown request")},
            {"H\x02", Refusal("already connected")},
            {"H\x01", Refusal("unknown protocol version")},
            {"O", Refusal("no interface name")},
            {"O" + std::string(16, 'a'), Refusal("interface name longer than 15 bytes")},
            {std::string("Olo\0sva0", 8), Refusal("not a device name")},
            {"Osva0:1", Refusal("not a device name")},
            {"O..", Refusal("not a device name")},
            {"O" + std::string(kMaxMessageBytes, 'l'), Refusal("request too long")},
            {"Onosuch0", "Fbind(AF_PACKET) failed: No such device\n"},
        };
        for (const auto& c : cases) {
            SCOPED_TRACE(c.request.substr(0, 20));
            const Reply reply = Ask(helper.Channel(), c.request);
            EXPECT_EQ(reply.bytes, c.reply);
            EXPECT_EQ(reply.descriptor, -1);
        }
        {
            SCOPED_TRACE("a descriptor sent along");
            const Reply reply = Ask(helper.Channel(), OpenRequest("lo"), STDIN_FILENO);
            EXPECT_EQ(reply.bytes, Refusal("it takes no descriptors"));
            EXPECT_EQ(reply.descriptor, -1);
        }
        for (const char* name : {"lo", NamespacePair::kDeviceA}) {
            SCOPED_TRACE(name);
            const Reply reply = Ask(helper.Channel(), OpenRequest(name));
            EXPECT_EQ(reply.bytes, SocketReply());
            ASSERT_GE(reply.descriptor, 0);
            EXPECT_EQ(BoundInterface(reply.descriptor), static_cast<int>(if_nametoindex(name)));
            close(reply.descriptor);
        }
    });
}

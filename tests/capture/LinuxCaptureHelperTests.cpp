// The capture helper process against untrusted requests, in a throw-away network namespace.
#include "HelperMessages.h"
#include "HelperProtocol.h"
#include "NamespaceTest.h"

#include <gtest/gtest.h>

#include <cstdint>
#include <fstream>
#include <map>
#include <string>
#include <vector>

#include <linux/capability.h>
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
    pid_t Pid() const { return m_pid; }

private:
    pid_t m_pid = -1;
    int m_channel = -1;
};

class CaptureHelperTest : public NamespaceTest {};

// The capability and no_new_privs lines of /proc/<pid>/status, by name.
std::map<std::string, std::string> PrivilegeLines(pid_t pid) {
    std::ifstream status("/proc/" + std::to_string(pid) + "/status");
    std::map<std::string, std::string> lines;
    std::string line;
    while (std::getline(status, line)) {
        const size_t colon = line.find(':');
        const std::string name = line.substr(0, colon);
        if (colon != std::string::npos && (name.rfind("Cap", 0) == 0 || name == "NoNewPrivs")) {
            lines[name] = line.substr(line.find_first_not_of(" \t", colon + 1));
        }
    }
    return lines;
}

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
            {"O" + std::string(15, 'a'), "Fbind(AF_PACKET) failed: No such device\n"},
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

// Started by root with every capability, the helper serves with CAP_NET_RAW alone, hands nothing
// on, and no exec could give it more.
TEST_F(CaptureHelperTest, KeepsCapNetRawAloneFromEverythingItStartedWith) {
    m_namespaces->RunInA([] {
        StartedHelper helper;
        ASSERT_GE(helper.Channel(), 0);
        // Once it answers, the helper has set its capabilities for good.
        const Reply reply = Ask(helper.Channel(), OpenRequest("lo"));
        if (reply.descriptor >= 0) {
            close(reply.descriptor);
        }
        const std::string rawAlone = "0000000000002000";
        std::map<std::string, std::string> expected = {
            {"CapInh", "0000000000000000"}, {"CapPrm", rawAlone}, {"CapEff", rawAlone},
            {"CapBnd", rawAlone},           {"CapAmb", "0000000000000000"}, {"NoNewPrivs", "1"}};
        std::map<std::string, std::string> actual = PrivilegeLines(helper.Pid());
        // The bounding set can only be narrowed with CAP_SETPCAP, which a container may withhold.
        const uint64_t ownEffective = std::stoull(PrivilegeLines(getpid())["CapEff"], nullptr, 16);
        if ((ownEffective & (uint64_t{1} << CAP_SETPCAP)) == 0) {
            actual.erase("CapBnd");
            expected.erase("CapBnd");
        }
        EXPECT_EQ(actual, expected);
    });
}

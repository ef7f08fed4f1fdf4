// The capture helper process against untrusted requests and an untrusted program, in a throw-away
// network namespace.
#include "EventFd.h"
#include "HelperMessages.h"
#include "HelperProtocol.h"
#include "LinuxDatagrams.h"
#include "NamespaceTest.h"
#include "RelayLayout.h"
#include "RelayReader.h"

#include <gtest/gtest.h>

#include <atomic>
#include <chrono>
#include <cstdint>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <map>
#include <string>
#include <thread>
#include <vector>

#include <csignal>
#include <fcntl.h>
#include <linux/capability.h>
#include <linux/if_ether.h>
#include <linux/if_packet.h>
#include <net/if.h>
#include <poll.h>
#include <sys/mman.h>
#include <sys/socket.h>
#include <sys/wait.h>
#include <unistd.h>

namespace {

using Clock = std::chrono::steady_clock;

struct Reply {
    std::string bytes;
    std::vector<int> descriptors;
};

// Takes the helper's next message; its descriptors are the caller's.
Reply TakeReply(int channel) {
    unsigned char buffer[kMaxMessageBytes];
    const ReceivedMessage message = ReceiveMessage(channel, buffer, sizeof buffer);
    EXPECT_GT(message.size, 0) << "the helper did not answer";
    const size_t kept = message.size > 0 ? std::min<size_t>(static_cast<size_t>(message.size), sizeof buffer) : 0;
    Reply reply{std::string(reinterpret_cast<char*>(buffer), kept), {}};
    for (int fd : message.descriptors) {
        if (fd >= 0) {
            reply.descriptors.push_back(fd);
        }
    }
    return reply;
}

// One request on the channel and the helper's one reply.
Reply Ask(int channel, const std::string& request, int attached = -1) {
    EXPECT_TRUE(SendMessage(channel, request, attached));
    return TakeReply(channel);
}

void CloseAll(const std::vector<int>& descriptors) {
    for (int fd : descriptors) {
        close(fd);
    }
}

// Sends bytes with every descriptor in fds and the caller's credentials, as a hello carries them;
// more descriptors than the helper's own messages ever carry.
bool SendWithDescriptors(int channel, const std::string& bytes, const std::vector<int>& fds) {
    iovec part{const_cast<char*>(bytes.data()), bytes.size()};
    std::vector<unsigned char> control(CMSG_SPACE(sizeof(int) * fds.size()) + CMSG_SPACE(sizeof(ucred)));
    msghdr header{};
    header.msg_iov = &part;
    header.msg_iovlen = 1;
    header.msg_control = control.data();
    header.msg_controllen = control.size();
    cmsghdr* next = CMSG_FIRSTHDR(&header);
    if (!fds.empty()) {
        next->cmsg_level = SOL_SOCKET;
        next->cmsg_type = SCM_RIGHTS;
        next->cmsg_len = CMSG_LEN(sizeof(int) * fds.size());
        std::memcpy(CMSG_DATA(next), fds.data(), sizeof(int) * fds.size());
        next = CMSG_NXTHDR(&header, next);
    } else {
        header.msg_controllen = CMSG_SPACE(sizeof(ucred));
    }
    const ucred own{getpid(), getuid(), getgid()};
    next->cmsg_level = SOL_SOCKET;
    next->cmsg_type = SCM_CREDENTIALS;
    next->cmsg_len = CMSG_LEN(sizeof own);
    std::memcpy(CMSG_DATA(next), &own, sizeof own);
    return sendmsg(channel, &header, MSG_NOSIGNAL) == static_cast<ssize_t>(bytes.size());
}

int OpenDescriptorsOf(pid_t pid) {
    const std::filesystem::directory_iterator entries("/proc/" + std::to_string(pid) + "/fd");
    return static_cast<int>(std::distance(begin(entries), end(entries)));
}

// Whether every copy of the peer of end is closed (its other end sees the hang-up).
bool PeerClosed(int end) {
    pollfd polled{end, POLLIN, 0};
    return poll(&polled, 1, 0) == 1 && (polled.revents & POLLHUP) != 0;
}

// The helper started as the launcher starts it, its start channel on descriptor 3. Greeted, it has
// taken a hello that handed it the channel this test then talks on; otherwise the test says hello
// itself on the start channel. Lives in the calling thread's namespace; the calling thread must
// outlive it (it dies with its parent thread).
class StartedHelper {
public:
    explicit StartedHelper(bool greet = true) {
        int start[2];
        if (socketpair(AF_UNIX, SOCK_SEQPACKET | SOCK_CLOEXEC, 0, start) != 0) {
            return;
        }
        m_pid = fork();
        if (m_pid == 0) {
            dup2(start[1], 3);
            execl(SORVANE_CAPTURE_HELPER, "sorvane-capture-helper", static_cast<char*>(nullptr));
            _exit(127);
        }
        close(start[1]);
        m_start = start[0];
        if (greet) {
            m_channel = Greet();
        }
    }
    ~StartedHelper() {
        for (int fd : {m_start, m_channel}) {
            if (fd >= 0) {
                close(fd);
            }
        }
        if (m_pid > 0) {
            EXPECT_TRUE(EndedCleanly()) << "the helper ends cleanly with its channel";
        }
    }

    // Says hello with a fresh channel; returns this side of it.
    int Greet() {
        int channel[2];
        if (socketpair(AF_UNIX, SOCK_SEQPACKET | SOCK_CLOEXEC, 0, channel) != 0) {
            return -1;
        }
        EXPECT_TRUE(SendMessage(m_start, HelloRequest(), channel[1], true));
        close(channel[1]);
        close(std::exchange(m_start, -1));
        return channel[0];
    }
    void TakeChannel(int channel) { m_channel = channel; }

    // Hang guard: true once the helper has exited with status 0 within a minute; a helper still
    // running then is killed.
    bool EndedCleanly() {
        const auto deadline = Clock::now() + std::chrono::seconds(60);
        int status = 0;
        pid_t ended = 0;
        while ((ended = waitpid(m_pid, &status, WNOHANG)) == 0 && Clock::now() < deadline) {
            std::this_thread::sleep_for(std::chrono::milliseconds(5));
        }
        if (ended == 0) {
            kill(m_pid, SIGKILL);
            waitpid(m_pid, &status, 0);
        }
        m_pid = -1;
        return ended > 0 && WIFEXITED(status) && WEXITSTATUS(status) == 0;
    }

    pid_t Pid() const { return m_pid; }
    int Start() const { return m_start; }
    int Channel() const { return m_channel; }

private:
    pid_t m_pid = -1;
    int m_start = -1;
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

// The relay's descriptors for one capture of name.
struct Relay {
    int area;
    int data;
    int freed;
};

Relay OpenRelay(int channel, const char* name) {
    const Reply reply = Ask(channel, OpenRequest(name));
    EXPECT_EQ(reply.bytes, RelayReply());
    EXPECT_EQ(reply.descriptors.size(), 3u);
    if (reply.descriptors.size() != 3) {
        CloseAll(reply.descriptors);
        return {-1, -1, -1};
    }
    return {reply.descriptors[0], reply.descriptors[1], reply.descriptors[2]};
}

void CloseRelay(const Relay& relay) {
    CloseAll({relay.area, relay.data, relay.freed});
}

// The payloads of the first `expected` datagrams the relay publishes, and any published with them
// (hang guard: a few seconds each).
std::vector<std::string> RelayedPayloads(const Relay& relay, size_t expected) {
    std::unique_ptr<RelayReader> reader = RelayReader::Map(relay.area, relay.freed);
    EXPECT_NE(reader, nullptr);
    std::vector<std::string> payloads;
    if (reader == nullptr) {
        return payloads;
    }
    unsigned char buffer[65535];
    for (;;) {
        timespec arrival{};
        const int32_t length = reader->Next(buffer, sizeof buffer, arrival);
        if (length >= 28) {
            payloads.emplace_back(reinterpret_cast<char*>(buffer) + 28, static_cast<size_t>(length) - 28);
            continue;
        }
        pollfd polled{relay.data, POLLIN, 0};
        if (payloads.size() >= expected || poll(&polled, 1, 5000) <= 0) {
            return payloads;
        }
        uint64_t count = 0;
        EXPECT_EQ(read(relay.data, &count, sizeof count), static_cast<ssize_t>(sizeof count));
    }
}

// Sends a datagram on the interface not captured and, once its sink has it (the capture has let it
// pass), one on the captured interface, each carrying its interface's name: when the second is
// relayed, nothing more can come before it.
void SendOtherInterfaceFirst(const NamespacePair& namespaces, bool loopbackCaptured, UdpSink& otherSink) {
    for (const bool loopback : {!loopbackCaptured, loopbackCaptured}) {
        if (loopback) {
            SendUdp("127.0.0.1", "127.0.0.1", kTestPort, "lo");
        } else {
            namespaces.RunInB([] { SendUdp(NamespacePair::kAddressB, NamespacePair::kAddressA, kTestPort, "sva0"); });
        }
        EXPECT_TRUE(loopback == loopbackCaptured || otherSink.Take());
    }
}

} // namespace

TEST_F(CaptureHelperTest, RefusesMalformedRequestsAndStillServesTheNamedInterfaceOnly) {
    m_namespaces->RunInA([&] {
        UdpSink loopbackSink("127.0.0.1", kTestPort);
        UdpSink vethSink(NamespacePair::kAddressA, kTestPort);
        StartedHelper helper;
        ASSERT_GE(helper.Channel(), 0);
        const struct {
            std::string request;
            std::string reply;
        } cases[] = {
            {"", Refusal("empty request")},
            {"X", Refusal("unknown request")},
            {HelloRequest(), Refusal("already connected")},
            {"O" + std::string(15, 'a'), "Fbind(AF_PACKET) failed: No such device\n"},
            {"O" + std::string(kMaxMessageBytes, 'l'), Refusal("request too long")},
            {"Onosuch0", "Fbind(AF_PACKET) failed: No such device\n"},
        };
        for (const auto& c : cases) {
            SCOPED_TRACE(c.request.substr(0, 20));
            const Reply reply = Ask(helper.Channel(), c.request);
            EXPECT_EQ(reply.bytes, c.reply);
            EXPECT_TRUE(reply.descriptors.empty());
        }
        {
            SCOPED_TRACE("a descriptor sent along");
            const Reply reply = Ask(helper.Channel(), OpenRequest("lo"), STDIN_FILENO);
            EXPECT_EQ(reply.bytes, Refusal("it takes no descriptors"));
            EXPECT_TRUE(reply.descriptors.empty());
        }
        for (const char* name : {"lo", NamespacePair::kDeviceA}) {
            SCOPED_TRACE(name);
            const Relay relay = OpenRelay(helper.Channel(), name);
            ASSERT_GE(relay.area, 0);
            const bool loopback = std::string(name) == "lo";
            SendOtherInterfaceFirst(*m_namespaces, loopback, loopback ? vethSink : loopbackSink);
            EXPECT_EQ(RelayedPayloads(relay, 1), std::vector<std::string>{name});
            ASSERT_TRUE(SendMessage(helper.Channel(), EndRequest(), -1));
            CloseRelay(relay);
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
        CloseAll(Ask(helper.Channel(), OpenRequest("lo")).descriptors);
        const std::string rawAlone = "0000000000002000";
        std::map<std::string, std::string> expected = {{"CapInh", "0000000000000000"}, {"CapPrm", rawAlone},
                                                       {"CapEff", rawAlone},           {"CapBnd", rawAlone},
                                                       {"CapAmb", "0000000000000000"}, {"NoNewPrivs", "1"}};
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

// What the helper hands over is shared memory and two eventfds: none of it is a socket that could
// send a frame. And a channel holds one capture at a time.
TEST_F(CaptureHelperTest, HandsOverNothingThatCanSendAndOneCaptureAtATime) {
    m_namespaces->RunInA([&] {
        StartedHelper helper;
        ASSERT_GE(helper.Channel(), 0);
        const Relay relay = OpenRelay(helper.Channel(), NamespacePair::kDeviceA);
        ASSERT_GE(relay.area, 0);
        sockaddr_ll to{};
        to.sll_family = AF_PACKET;
        to.sll_protocol = htons(ETH_P_IP);
        to.sll_ifindex = static_cast<int>(if_nametoindex(NamespacePair::kDeviceA));
        to.sll_halen = ETH_ALEN;
        std::memset(to.sll_addr, 0xFF, ETH_ALEN);
        const unsigned char frame[64] = {0x45};
        for (int fd : {relay.area, relay.data, relay.freed}) {
            SCOPED_TRACE(fd);
            EXPECT_EQ(sendto(fd, frame, sizeof frame, 0, reinterpret_cast<const sockaddr*>(&to), sizeof to), -1);
            EXPECT_EQ(errno, ENOTSOCK);
        }

        EXPECT_EQ(Ask(helper.Channel(), OpenRequest("lo")).bytes, Refusal("a capture is already open"));
        ASSERT_TRUE(SendMessage(helper.Channel(), EndRequest(), -1));
        CloseRelay(relay);
        const Relay next = OpenRelay(helper.Channel(), "lo");
        EXPECT_GE(next.area, 0) << "after the end of the first capture a second one opens";
        CloseRelay(next);
    });
}

// Only the parent's hello counts, and only with exactly one AF_UNIX SOCK_SEQPACKET channel; every
// descriptor of every other message is closed.
TEST_F(CaptureHelperTest, TakesOnlyTheParentsHelloWithOneUnixChannelAndClosesEveryOtherDescriptor) {
    m_namespaces->RunInA([&] {
        StartedHelper helper(false);
        ASSERT_GE(helper.Start(), 0);
        const std::string hello = HelloRequest();
        // The refusal of an empty hello from the parent also shows that what came before it was read.
        ASSERT_TRUE(SendWithDescriptors(helper.Start(), hello, {}));
        EXPECT_EQ(TakeReply(helper.Start()).bytes, Refusal("a hello brings one Unix channel"));
        const int descriptorsBefore = OpenDescriptorsOf(helper.Pid());

        int probe[2];
        ASSERT_EQ(socketpair(AF_UNIX, SOCK_SEQPACKET | SOCK_CLOEXEC, 0, probe), 0);
        const pid_t stranger = fork();
        if (stranger == 0) {
            _exit(SendWithDescriptors(helper.Start(), hello, {probe[1]}) ? 0 : 1);
        }
        int status = 0;
        ASSERT_EQ(waitpid(stranger, &status, 0), stranger);
        ASSERT_TRUE(WIFEXITED(status) && WEXITSTATUS(status) == 0);
        close(probe[1]);
        ASSERT_TRUE(SendWithDescriptors(helper.Start(), hello, {}));
        EXPECT_EQ(TakeReply(helper.Start()).bytes, Refusal("a hello brings one Unix channel"))
            << "a hello from another process is ignored without a reply";
        EXPECT_TRUE(PeerClosed(probe[0])) << "the descriptor of the ignored hello is still open";
        close(probe[0]);

        int pair[2];
        ASSERT_EQ(socketpair(AF_UNIX, SOCK_SEQPACKET | SOCK_CLOEXEC, 0, pair), 0);
        int stream[2];
        ASSERT_EQ(socketpair(AF_UNIX, SOCK_STREAM | SOCK_CLOEXEC, 0, stream), 0);
        int pipeEnds[2];
        ASSERT_EQ(pipe2(pipeEnds, O_CLOEXEC), 0);
        const std::string oneChannel = Refusal("a hello brings one Unix channel");
        struct Refused {
            std::string what;
            std::string request;
            std::vector<int> fds;
            std::string reply;
        };
        std::vector<Refused> refused = {
            {"two descriptors", hello, {pair[1], pair[1]}, oneChannel},
            {"nine descriptors", hello, std::vector<int>(9, pair[1]), oneChannel},
            {"a stream socket", hello, {stream[1]}, oneChannel},
            {"a pipe", hello, {pipeEnds[1]}, oneChannel},
            {"an empty message", "", {}, Refusal("empty request")},
            {"an open request with a channel", OpenRequest("lo"), {pair[1]}, Refusal("hello first")},
            {"another version's hello with a channel", "H\x01", {pair[1]}, Refusal("unknown protocol version")},
        };
        // A sequenced-packet socket of another family, where the kernel offers one.
        int otherFamily = -1;
        for (const auto& [domain, protocol] : {std::pair<int, int>{AF_VSOCK, 0}, {AF_INET, IPPROTO_SCTP}}) {
            otherFamily = socket(domain, SOCK_SEQPACKET | SOCK_CLOEXEC, protocol);
            if (otherFamily >= 0) {
                refused.push_back({"a sequenced-packet socket of family " + std::to_string(domain),
                                   hello,
                                   {otherFamily},
                                   oneChannel});
                break;
            }
        }
        for (const Refused& r : refused) {
            SCOPED_TRACE(r.what);
            ASSERT_TRUE(SendWithDescriptors(helper.Start(), r.request, r.fds));
            const Reply reply = TakeReply(helper.Start());
            EXPECT_EQ(reply.bytes, r.reply);
            EXPECT_TRUE(reply.descriptors.empty());
        }
        EXPECT_EQ(OpenDescriptorsOf(helper.Pid()), descriptorsBefore);
        close(pair[1]);
        close(stream[1]);
        close(pipeEnds[1]);
        EXPECT_TRUE(PeerClosed(pair[0]) && PeerClosed(stream[0])) << "a refused hello's descriptor is still open";
        close(pair[0]);
        close(stream[0]);
        close(pipeEnds[0]);
        if (otherFamily >= 0) {
            close(otherFamily);
        }

        helper.TakeChannel(helper.Greet());
        EXPECT_EQ(Ask(helper.Channel(), "X").bytes, Refusal("unknown request")) << "the proper hello is taken";
        int extra[2];
        ASSERT_EQ(socketpair(AF_UNIX, SOCK_SEQPACKET | SOCK_CLOEXEC, 0, extra), 0);
        const int served = OpenDescriptorsOf(helper.Pid());
        for (const std::vector<int>& fds : {std::vector<int>{extra[1]}, std::vector<int>(9, extra[1])}) {
            ASSERT_TRUE(SendWithDescriptors(helper.Channel(), OpenRequest("lo"), fds));
            EXPECT_EQ(TakeReply(helper.Channel()).bytes, Refusal("it takes no descriptors"));
        }
        EXPECT_EQ(OpenDescriptorsOf(helper.Pid()), served);
        close(extra[0]);
        close(extra[1]);
        if (otherFamily < 0) {
            SKIP_UNLESS_FULL_RUN("no sequenced-packet socket of another family here (vsock, SCTP), so a "
                                 "hello with one cannot be sent");
        }
    });
}

// A peer that shuts down its sending side leaves a channel that reads as ended for ever.
TEST_F(CaptureHelperTest, AHalfClosedChannelEndsTheHelper) {
    m_namespaces->RunInA([&] {
        StartedHelper helper;
        ASSERT_GE(helper.Channel(), 0);
        EXPECT_EQ(Ask(helper.Channel(), "X").bytes, Refusal("unknown request"));
        ASSERT_EQ(shutdown(helper.Channel(), SHUT_WR), 0);
        EXPECT_TRUE(helper.EndedCleanly());
    });
}

// A program that scribbles over the whole relay area, status words included, while datagrams
// arrive spoils its own capture only: the helper keeps answering and ends with its channel.
TEST_F(CaptureHelperTest, AProgramWritingGarbageIntoTheAreaCannotUpsetTheHelper) {
    m_namespaces->RunInA([&] {
        UdpSink sink("127.0.0.1", kTestPort);
        StartedHelper helper;
        ASSERT_GE(helper.Channel(), 0);
        const Relay relay = OpenRelay(helper.Channel(), "lo");
        ASSERT_GE(relay.area, 0);
        void* mapped = mmap(nullptr, kRelayAreaBytes, PROT_READ | PROT_WRITE, MAP_SHARED, relay.area, 0);
        ASSERT_NE(mapped, MAP_FAILED);
        auto* area = static_cast<unsigned char*>(mapped);
        EXPECT_NE(ftruncate(relay.area, 4096), 0) << "the area can be shrunk under the helper";
        EXPECT_NE(ftruncate(relay.area, 2 * kRelayAreaBytes), 0) << "the area can be grown";
        std::atomic<bool> scribbling{true};
        std::thread scribbler([&] {
            for (uint32_t round = 0; scribbling; ++round) {
                const uint32_t garbage[] = {0xFFFFFFFFu, kRelayBlockReady, round, kRelayBlockFree};
                for (unsigned block = 0; block < kRelayBlockCount; ++block) {
                    __atomic_store_n(RelayStatus(area, block), garbage[(round + block) % 4], __ATOMIC_RELAXED);
                    std::memset(RelayBlock(area, block), static_cast<int>(round), 64);
                }
                std::memset(area, static_cast<int>(round), kRelayStatusOffset);
                SignalEventFd(relay.freed);
            }
        });
        for (int i = 0; i < 2000; ++i) {
            SendUdp("127.0.0.1", "127.0.0.1", kTestPort, Payload(i, 1000));
        }
        EXPECT_EQ(Ask(helper.Channel(), "X").bytes, Refusal("unknown request"));
        ASSERT_TRUE(SendMessage(helper.Channel(), StopRequest(), -1));
        EXPECT_EQ(Ask(helper.Channel(), OpenRequest("lo")).bytes, Refusal("a capture is already open"));
        scribbling = false;
        scribbler.join();
        munmap(mapped, kRelayAreaBytes);
        CloseRelay(relay);
    });
}

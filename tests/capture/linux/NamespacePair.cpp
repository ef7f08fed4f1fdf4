// Two throw-away network namespaces joined by a veth pair, and threads that run inside them.
#include "NamespacePair.h"

#include <gtest/gtest.h>

#include <atomic>
#include <cstdio>
#include <cstdlib>
#include <thread>

#include <arpa/inet.h>
#include <dirent.h>
#include <fcntl.h>
#include <netinet/in.h>
#include <poll.h>
#include <sched.h>
#include <sys/socket.h>
#include <unistd.h>

namespace {

bool Run(const std::string& command) {
    return std::system(command.c_str()) == 0;
}

// A run that crashed cannot delete its namespaces; the next run deletes those whose process is gone.
// Names are "sv<pid>n<counter><side>", so only namespaces made by these tests are touched.
void DeleteLeftoversOfDeadRuns() {
    DIR* directory = opendir("/run/netns");
    if (directory == nullptr) {
        return;
    }
    while (const dirent* entry = readdir(directory)) {
        int pid = 0;
        int number = 0;
        char side = 0;
        if (std::sscanf(entry->d_name, "sv%dn%d%c", &pid, &number, &side) == 3 && pid > 0 &&
            access(("/proc/" + std::to_string(pid)).c_str(), F_OK) != 0) {
            Run(std::string("ip netns del ") + entry->d_name);
        }
    }
    closedir(directory);
}

// Without IPv6 no neighbour or router chatter crosses the pair, so an interface counter counts only
// what a test sends. A kernel without IPv6 has no such chatter and no such setting.
void SwitchOffIpv6(const std::string& name) {
    Run("ip netns exec " + name +
        " sysctl -q -w net.ipv6.conf.all.disable_ipv6=1 net.ipv6.conf.default.disable_ipv6=1 2>/dev/null");
}

} // namespace

NamespacePair::NamespacePair() {
    static std::atomic<int> counter{0};
    static const bool cleaned = (DeleteLeftoversOfDeadRuns(), true);
    (void)cleaned;
    const std::string stem = "sv" + std::to_string(getpid()) + "n" + std::to_string(counter++);
    m_nameA = stem + "a";
    m_nameB = stem + "b";
    const std::string a = " -n " + m_nameA + " ";
    const std::string b = " -n " + m_nameB + " ";
    m_created = Run("ip netns add " + m_nameA) && Run("ip netns add " + m_nameB);
    if (m_created) {
        SwitchOffIpv6(m_nameA);
        SwitchOffIpv6(m_nameB);
    }
    m_created = m_created &&
                Run(std::string("ip link add name ") + kDeviceA + " netns " + m_nameA +
                    " type veth peer name svb0 netns " + m_nameB) &&
                Run("ip" + a + "addr add " + kAddressA + "/24 dev " + kDeviceA) &&
                Run("ip" + b + "addr add " + kAddressB + "/24 dev svb0") && Run("ip" + a + "link set lo up") &&
                Run("ip" + b + "link set lo up") && Run("ip" + a + "link set " + kDeviceA + " up") &&
                Run("ip" + b + "link set svb0 up");
}

NamespacePair::~NamespacePair() {
    Run("ip netns del " + m_nameA + " 2>/dev/null");
    Run("ip netns del " + m_nameB + " 2>/dev/null");
}

bool NamespacePair::IpInA(const std::string& arguments) const {
    return Run("ip -n " + m_nameA + " " + arguments);
}

void NamespacePair::RunIn(const std::string& name, const std::function<void()>& body) {
    std::thread inside([&] {
        const int fd = open(("/run/netns/" + name).c_str(), O_RDONLY | O_CLOEXEC);
        const bool entered = fd >= 0 && setns(fd, CLONE_NEWNET) == 0;
        if (fd >= 0) {
            close(fd);
        }
        if (!entered) {
            ADD_FAILURE() << "cannot enter network namespace " << name;
            return;
        }
        body();
    });
    inside.join();
}

bool RunningAsRoot() {
    return geteuid() == 0;
}

void SendUdp(const char* fromAddress, const char* toAddress, uint16_t toPort, const std::string& payload) {
    const int fd = socket(AF_INET, SOCK_DGRAM | SOCK_CLOEXEC, 0);
    ASSERT_GE(fd, 0);
    const sockaddr_in from = SocketAddress(fromAddress, 0);
    const sockaddr_in to = SocketAddress(toAddress, toPort);
    EXPECT_EQ(bind(fd, reinterpret_cast<const sockaddr*>(&from), sizeof from), 0);
    EXPECT_EQ(sendto(fd, payload.data(), payload.size(), 0, reinterpret_cast<const sockaddr*>(&to), sizeof to),
              static_cast<ssize_t>(payload.size()));
    close(fd);
}

UdpSink::UdpSink(const char* address, uint16_t port) : m_fd(socket(AF_INET, SOCK_DGRAM | SOCK_CLOEXEC, 0)) {
    const sockaddr_in bound = SocketAddress(address, port);
    EXPECT_EQ(bind(m_fd, reinterpret_cast<const sockaddr*>(&bound), sizeof bound), 0) << address << ":" << port;
}

UdpSink::~UdpSink() {
    close(m_fd);
}

bool UdpSink::Take() {
    pollfd polled{m_fd, POLLIN, 0};
    char byte = 0;
    return poll(&polled, 1, 5000) == 1 && recv(m_fd, &byte, sizeof byte, 0) >= 0;
}

sockaddr_in SocketAddress(const char* dotted, uint16_t port) {
    sockaddr_in address{};
    address.sin_family = AF_INET;
    address.sin_port = htons(port);
    address.sin_addr.s_addr = AddressValue(dotted);
    return address;
}

uint32_t AddressValue(const char* dotted) {
    in_addr address{};
    inet_pton(AF_INET, dotted, &address);
    return address.s_addr;
}

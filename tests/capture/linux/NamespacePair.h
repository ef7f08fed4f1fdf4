// Two throw-away network namespaces joined by a veth pair, and threads that run inside them.
#pragma once

#include <cstdint>
#include <functional>
#include <string>

#include <netinet/in.h>

// Namespace "a" holds lo and the veth end 198.51.100.1/24, namespace "b" the end 198.51.100.2/24.
// The names carry the process id and a counter, so parallel runs do not meet. Both namespaces, and
// with them the veth pair, are deleted by the destructor.
class NamespacePair {
public:
    static constexpr const char* kAddressA = "198.51.100.1";
    static constexpr const char* kAddressB = "198.51.100.2";
    static constexpr const char* kDeviceA = "sva0";

    NamespacePair();
    NamespacePair(const NamespacePair&) = delete;
    NamespacePair& operator=(const NamespacePair&) = delete;
    ~NamespacePair();

    bool Created() const { return m_created; }
    const std::string& NameA() const { return m_nameA; }
    const std::string& NameB() const { return m_nameB; }

    // Runs body on a new thread that has entered the namespace, and waits for it. A namespace is a
    // per-thread property: threads started from that thread are born in the same namespace.
    void RunInA(const std::function<void()>& body) const { RunIn(m_nameA, body); }
    void RunInB(const std::function<void()>& body) const { RunIn(m_nameB, body); }
    // Runs an ip(8) command inside namespace a, for example "link del sva0"; true when it succeeded.
    bool IpInA(const std::string& arguments) const;

private:
    static void RunIn(const std::string& name, const std::function<void()>& body);

    std::string m_nameA;
    std::string m_nameB;
    bool m_created = false;
};

// True when this process may make namespaces and packet sockets; the tests skip loudly otherwise.
bool RunningAsRoot();

// Sends one UDP datagram from the calling thread's namespace; fails the test when it cannot.
void SendUdp(const char* fromAddress, const char* toAddress, uint16_t toPort, const std::string& payload);

// A bound UDP socket that takes datagrams in, so that no port-unreachable replies are sent.
class UdpSink {
public:
    UdpSink(const char* address, uint16_t port);
    UdpSink(const UdpSink&) = delete;
    UdpSink& operator=(const UdpSink&) = delete;
    ~UdpSink();

    // Takes the next datagram, waiting a few seconds at most (a hang guard). A capture socket on
    // the interface has seen the datagram before the sink gets it: the kernel hands a frame to
    // every packet socket bound to all protocols before IP takes it in.
    bool Take();

private:
    int m_fd;
};

// The address in network byte order, as the capture backend lists it.
uint32_t AddressValue(const char* dotted);

// An IPv4 socket address of dotted and port.
sockaddr_in SocketAddress(const char* dotted, uint16_t port);

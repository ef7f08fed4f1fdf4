// Opening the capture's packet socket: created, filtered and bound to one interface.
#include "BoundPacketSocket.h"

#include "LinuxErrorText.h"
#include "LinuxPacketFilter.h"
#include "PacketRingLayout.h"
#include "UniqueFd.h"

#include <cerrno>
#include <cstring>

#include <arpa/inet.h>
#include <linux/if_ether.h>
#include <linux/if_packet.h>
#include <net/if.h>
#include <sys/ioctl.h>
#include <sys/socket.h>

namespace {

// A TPACKET_V3 receive ring: the kernel writes datagrams into blocks that the program maps, and
// wakes it once per block rather than once per datagram. It is set up before the bind, so that no
// datagram is ever queued outside the ring.
bool SetUpReceiveRing(int fd, std::string& failure) {
    const int version = TPACKET_V3;
    if (setsockopt(fd, SOL_PACKET, PACKET_VERSION, &version, sizeof version) != 0) {
        failure = SystemFailureText("setsockopt(PACKET_VERSION) failed: ", errno);
        return false;
    }
    tpacket_req3 request{};
    request.tp_block_size = kRingBlockBytes;
    request.tp_block_nr = kRingBlockCount;
    request.tp_frame_size = kRingFrameBytes;
    request.tp_frame_nr = kRingBlockBytes / kRingFrameBytes * kRingBlockCount;
    request.tp_retire_blk_tov = kRingRetireTimeoutMs;
    if (setsockopt(fd, SOL_PACKET, PACKET_RX_RING, &request, sizeof request) != 0) {
        failure = SystemFailureText("setsockopt(PACKET_RX_RING) failed: ", errno);
        return false;
    }
    return true;
}

BoundPacketSocket Failed(std::string text) {
    return {-1, std::move(text)};
}

// The device's index, and whether it is a loopback device; index 0 (errno set) when there is no
// such device.
int DeviceIndex(int fd, const std::string& name, bool& loopback) {
    ifreq request{};
    if (name.empty() || name.size() >= sizeof request.ifr_name) {
        errno = ENODEV;
        return 0;
    }
    std::memcpy(request.ifr_name, name.data(), name.size());
    if (ioctl(fd, SIOCGIFFLAGS, &request) != 0) {
        return 0;
    }
    loopback = (request.ifr_flags & IFF_LOOPBACK) != 0;
    return static_cast<int>(if_nametoindex(name.c_str()));
}

} // namespace

// The socket is made with protocol 0, which receives nothing, and starts receiving only when bound
// to the one interface, its filter already in place; so nothing else is queued before the bind. It
// is bound for every protocol because only such sockets see the datagrams the host sends as well as
// those it receives; the filter keeps the IPv4 ones.
BoundPacketSocket OpenBoundPacketSocket(const std::string& interfaceName) {
    UniqueFd fd(socket(AF_PACKET, SOCK_DGRAM | SOCK_NONBLOCK | SOCK_CLOEXEC, 0));
    if (fd.get() < 0) {
        return Failed(SystemFailureText("socket(AF_PACKET) failed: ", errno));
    }
    bool loopback = false;
    sockaddr_ll bound{};
    bound.sll_family = AF_PACKET;
    bound.sll_protocol = htons(ETH_P_ALL);
    bound.sll_ifindex = DeviceIndex(fd.get(), interfaceName, loopback);
    if (bound.sll_ifindex == 0) {
        return Failed(SystemFailureText("bind(AF_PACKET) failed: ", errno));
    }
    if (!AttachCaptureFilter(fd.get(), bound.sll_ifindex, loopback)) {
        return Failed(SystemFailureText("setsockopt(SO_ATTACH_FILTER) failed: ", errno));
    }
    std::string failure;
    if (!SetUpReceiveRing(fd.get(), failure)) {
        return Failed(std::move(failure));
    }
    if (bind(fd.get(), reinterpret_cast<const sockaddr*>(&bound), sizeof bound) != 0) {
        return Failed(SystemFailureText("bind(AF_PACKET) failed: ", errno));
    }
    return {fd.release(), ""};
}

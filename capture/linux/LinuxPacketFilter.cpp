// The in-kernel filter of the capture socket: IPv4 only, each datagram once.
#include "LinuxPacketFilter.h"

#include <cstdint>

#include <linux/filter.h>
#include <linux/if_ether.h>
#include <linux/if_packet.h>
#include <sys/socket.h>

namespace {

constexpr uint32_t kKeepWhole = 0xFFFFFFFF;
constexpr uint32_t kDrop = 0;

// Classic BPF: a jump offset counts the instructions skipped after the jump.
sock_filter kIpv4[] = {
    BPF_STMT(BPF_LD | BPF_H | BPF_ABS, static_cast<uint32_t>(SKF_AD_OFF + SKF_AD_PROTOCOL)),
    BPF_JUMP(BPF_JMP | BPF_JEQ | BPF_K, ETH_P_IP, 0, 1),
    BPF_STMT(BPF_RET | BPF_K, kKeepWhole),
    BPF_STMT(BPF_RET | BPF_K, kDrop),
};

sock_filter kIpv4ReceivedOnly[] = {
    BPF_STMT(BPF_LD | BPF_H | BPF_ABS, static_cast<uint32_t>(SKF_AD_OFF + SKF_AD_PROTOCOL)),
    BPF_JUMP(BPF_JMP | BPF_JEQ | BPF_K, ETH_P_IP, 0, 3),
    BPF_STMT(BPF_LD | BPF_B | BPF_ABS, static_cast<uint32_t>(SKF_AD_OFF + SKF_AD_PKTTYPE)),
    BPF_JUMP(BPF_JMP | BPF_JEQ | BPF_K, PACKET_OUTGOING, 1, 0),
    BPF_STMT(BPF_RET | BPF_K, kKeepWhole),
    BPF_STMT(BPF_RET | BPF_K, kDrop),
};

template <size_t N> sock_fprog Program(sock_filter (&instructions)[N]) {
    return {static_cast<unsigned short>(N), instructions};
}

} // namespace

bool AttachCaptureFilter(int fd, bool loopback) {
    const sock_fprog program = loopback ? Program(kIpv4ReceivedOnly) : Program(kIpv4);
    return setsockopt(fd, SOL_SOCKET, SO_ATTACH_FILTER, &program, sizeof program) == 0;
}

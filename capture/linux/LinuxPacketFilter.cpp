// The in-kernel filter of the capture socket: IPv4 of one interface only, each datagram once.
#include "LinuxPacketFilter.h"

#include <cstdint>
#include <vector>

#include <linux/filter.h>
#include <linux/if_ether.h>
#include <linux/if_packet.h>
#include <sys/socket.h>

namespace {

constexpr uint32_t kKeepWhole = 0xFFFFFFFF;
constexpr uint32_t kDrop = 0;

sock_filter LoadAncillary(uint16_t size, int32_t field) {
    return BPF_STMT(static_cast<uint16_t>(BPF_LD | size | BPF_ABS), static_cast<uint32_t>(SKF_AD_OFF + field));
}

// Classic BPF: a jump offset counts the instructions skipped after the jump. Every test jumps to
// the final drop when it fails, so the program is built front to back and the offsets filled in
// once its length is known.
std::vector<sock_filter> CaptureProgram(int ifindex, bool loopback) {
    std::vector<sock_filter> program = {
        LoadAncillary(BPF_W, SKF_AD_IFINDEX),
        BPF_JUMP(BPF_JMP | BPF_JEQ | BPF_K, static_cast<uint32_t>(ifindex), 0, 0),
        LoadAncillary(BPF_H, SKF_AD_PROTOCOL),
        BPF_JUMP(BPF_JMP | BPF_JEQ | BPF_K, ETH_P_IP, 0, 0),
    };
    if (loopback) {
        program.push_back(LoadAncillary(BPF_B, SKF_AD_PKTTYPE));
        // Equal means the sent copy: jump to the drop; otherwise on to the keep.
        program.push_back(BPF_JUMP(BPF_JMP | BPF_JEQ | BPF_K, PACKET_OUTGOING, 0, 0));
    }
    program.push_back(BPF_STMT(BPF_RET | BPF_K, kKeepWhole));
    program.push_back(BPF_STMT(BPF_RET | BPF_K, kDrop));
    const size_t drop = program.size() - 1;
    for (size_t i = 0; i < drop; ++i) {
        if (BPF_CLASS(program[i].code) == BPF_JMP) {
            const auto toDrop = static_cast<uint8_t>(drop - i - 1);
            const bool sentCopyTest = loopback && i == 5;
            program[i].jt = sentCopyTest ? toDrop : 0;
            program[i].jf = sentCopyTest ? 0 : toDrop;
        }
    }
    return program;
}

} // namespace

bool AttachCaptureFilter(int fd, int ifindex, bool loopback) {
    std::vector<sock_filter> instructions = CaptureProgram(ifindex, loopback);
    const sock_fprog program{static_cast<unsigned short>(instructions.size()), instructions.data()};
    if (setsockopt(fd, SOL_SOCKET, SO_ATTACH_FILTER, &program, sizeof program) != 0) {
        return false;
    }
    const int on = 1;
    return setsockopt(fd, SOL_SOCKET, SO_LOCK_FILTER, &on, sizeof on) == 0;
}

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

// Classic BPF: a jump offset counts the instructions skipped after the jump. Every test falls
// through to the next one when the frame passes it and jumps to the final drop when it does not;
// the offsets are filled in once the program is whole.
class CaptureProgram {
public:
    CaptureProgram(int ifindex, bool loopback) {
        Require(BPF_W, SKF_AD_IFINDEX, static_cast<uint32_t>(ifindex), true);
        Require(BPF_H, SKF_AD_PROTOCOL, ETH_P_IP, true);
        if (loopback) {
            Require(BPF_B, SKF_AD_PKTTYPE, PACKET_OUTGOING, false);
        }
        m_instructions.push_back(BPF_STMT(BPF_RET | BPF_K, kKeepWhole));
        m_instructions.push_back(BPF_STMT(BPF_RET | BPF_K, kDrop));
        const size_t drop = m_instructions.size() - 1;
        for (const size_t jump : m_jumps) {
            sock_filter& test = m_instructions[jump];
            (test.jt != 0 ? test.jt : test.jf) = static_cast<uint8_t>(drop - jump - 1);
        }
    }
    sock_fprog Program() {
        return {static_cast<unsigned short>(m_instructions.size()), m_instructions.data()};
    }

private:
    // Loads an ancillary field of size; the frame passes when it equals value (or, without
    // mustEqual, when it does not).
    void Require(uint16_t size, int32_t field, uint32_t value, bool mustEqual) {
        m_instructions.push_back(BPF_STMT(static_cast<uint16_t>(BPF_LD | size | BPF_ABS),
                                          static_cast<uint32_t>(SKF_AD_OFF + field)));
        m_jumps.push_back(m_instructions.size());
        // A placeholder of 1 marks which branch goes to the drop.
        const uint8_t toDropWhenEqual = mustEqual ? 0 : 1;
        m_instructions.push_back(BPF_JUMP(BPF_JMP | BPF_JEQ | BPF_K, value, toDropWhenEqual, !toDropWhenEqual));
    }

    std::vector<sock_filter> m_instructions;
    std::vector<size_t> m_jumps;
};

} // namespace

bool AttachCaptureFilter(int fd, int ifindex, bool loopback) {
    CaptureProgram capture(ifindex, loopback);
    const sock_fprog program = capture.Program();
    if (setsockopt(fd, SOL_SOCKET, SO_ATTACH_FILTER, &program, sizeof program) != 0) {
        return false;
    }
    const int on = 1;
    return setsockopt(fd, SOL_SOCKET, SO_LOCK_FILTER, &on, sizeof on) == 0;
}

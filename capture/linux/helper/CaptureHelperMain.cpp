// sorvane-capture-helper: the one process that holds CAP_NET_RAW. It opens a bound packet socket for
// each capture of the program that started it, keeps it, and hands the program the datagrams only,
// through a shared relay area; it does nothing else.
//
// Started by the launcher with the other end of a socket pair as descriptor 3. The program's first
// message there (hello) brings a fresh channel that only the program holds; the launcher's pair
// also reached Wine's own processes, so it is closed after that. The helper exits when the program
// goes: at the end of its channel, or by the parent-death signal.
#include "HelperMessages.h"
#include "HelperProtocol.h"
#include "HelperService.h"
#include "RawCapability.h"

#include <csignal>

#include <poll.h>
#include <sys/prctl.h>
#include <sys/socket.h>
#include <sys/syscall.h>
#include <unistd.h>

namespace {

constexpr int kStartChannel = 3;

// The process that made the start channel, which must be our parent: the program, since the
// launcher that made it went on to become the program.
pid_t ChannelCreator() {
    ucred creator{};
    socklen_t size = sizeof creator;
    if (getsockopt(kStartChannel, SOL_SOCKET, SO_PEERCRED, &creator, &size) != 0) {
        return 0;
    }
    return creator.pid;
}

// A zero-length message reads like the end of the stream; only a hang-up tells them apart. A peer
// that shut down its sending side counts as gone: its end would read as zero for ever.
bool PeerGone(int channel) {
    pollfd polled{channel, POLLRDHUP, 0};
    return poll(&polled, 1, 0) != 0 && (polled.revents & (POLLHUP | POLLRDHUP | POLLERR)) != 0;
}

std::string HelloRefusal(const HelperRequest& request) {
    switch (request.kind) {
    case RequestKind::Refused:
        return request.refusal;
    case RequestKind::Hello:
        return "capture helper refused the request: a hello brings one Unix channel\n";
    default:
        return "capture helper refused the request: hello first\n";
    }
}

// Takes messages on the start channel from the program alone, until its hello brings the channel
// to serve; -1 when the program goes first.
int AwaitHello(pid_t program) {
    const int on = 1;
    if (setsockopt(kStartChannel, SOL_SOCKET, SO_PASSCRED, &on, sizeof on) != 0) {
        return -1;
    }
    unsigned char buffer[kMaxMessageBytes];
    for (;;) {
        ReceivedMessage message = ReceiveMessage(kStartChannel, buffer, sizeof buffer);
        if (message.size <= 0 && (message.size < 0 || PeerGone(kStartChannel))) {
            return -1;
        }
        if (message.sender != program) {
            CloseDescriptors(message);
            continue;
        }
        const HelperRequest request = ParseHelperRequest(buffer, static_cast<std::size_t>(message.size));
        if (request.kind == RequestKind::Hello && message.descriptorCount == 1 && !message.truncated &&
            IsUnixSeqPacketChannel(message.descriptors[0])) {
            return message.descriptors[0];
        }
        CloseDescriptors(message);
        ReplyFailure(kStartChannel, HelloRefusal(request));
    }
}

} // namespace

int main() {
    prctl(PR_SET_PDEATHSIG, SIGKILL);
    const pid_t program = ChannelCreator();
    if (program == 0 || getppid() != program) {
        return 1;
    }
    // Without CAP_NET_RAW it still serves, so that every request gets the socket step's failure.
    if (!(HoldsRawCapability() ? KeepOnlyRawCapability(false) : DropAllCapabilities())) {
        return 1;
    }
    // Fails closed: a descriptor inherited by mistake must not outlive the check.
    if (syscall(SYS_close_range, kStartChannel + 1, ~0U, 0) != 0) {
        return 1;
    }
    const int channel = AwaitHello(program);
    close(kStartChannel);
    if (channel < 0) {
        return 1;
    }
    ServeCaptureChannel(channel);
    return 0;
}

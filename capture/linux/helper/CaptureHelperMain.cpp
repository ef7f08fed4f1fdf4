// sorvane-capture-helper: the one process that holds CAP_NET_RAW. It opens bound packet sockets for
// the program that started it and passes them back; it does nothing else.
//
// Started by the launcher with the other end of a socket pair as descriptor 3. The program's first
// message there (hello) brings a fresh channel that only the program holds; the launcher's pair
// also reached Wine's own processes, so it is closed after that. The helper exits when the program
// goes: at the end of its channel, or by the parent-death signal.
#include "BoundPacketSocket.h"
#include "HelperMessages.h"
#include "HelperProtocol.h"
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

// A zero-length message reads like the end of the stream; only a hang-up tells them apart.
bool PeerGone(int channel) {
    pollfd polled{channel, 0, 0};
    return poll(&polled, 1, 0) != 0 && (polled.revents & (POLLHUP | POLLERR)) != 0;
}

void Reply(int channel, const std::string& text) {
    SendMessage(channel, FailureReply(text), -1);
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
        const ReceivedMessage message = ReceiveMessage(kStartChannel, buffer, sizeof buffer);
        if (message.size <= 0 && (message.size < 0 || PeerGone(kStartChannel))) {
            return -1;
        }
        if (message.sender != program) {
            if (message.descriptor >= 0) {
                close(message.descriptor);
            }
            continue;
        }
        const HelperRequest request = ParseHelperRequest(buffer, static_cast<std::size_t>(message.size));
        if (request.kind == RequestKind::Hello && message.descriptorCount == 1 &&
            IsSeqPacketChannel(message.descriptor)) {
            return message.descriptor;
        }
        if (message.descriptor >= 0) {
            close(message.descriptor);
        }
        Reply(kStartChannel, request.kind == RequestKind::Refused
                                 ? request.refusal
                                 : "capture helper refused the request: hello first\n");
    }
}

void Answer(int channel, const ReceivedMessage& message, const unsigned char* bytes) {
    if (message.descriptor >= 0) {
        close(message.descriptor);
        Reply(channel, "capture helper refused the request: it takes no descriptors\n");
        return;
    }
    const HelperRequest request = ParseHelperRequest(bytes, static_cast<std::size_t>(message.size));
    if (request.kind == RequestKind::Refused) {
        Reply(channel, request.refusal);
        return;
    }
    if (request.kind == RequestKind::Hello) {
        Reply(channel, "capture helper refused the request: already connected\n");
        return;
    }
    const BoundPacketSocket opened = OpenBoundPacketSocket(request.interfaceName);
    if (opened.fd < 0) {
        Reply(channel, opened.failure);
        return;
    }
    SendMessage(channel, SocketReply(), opened.fd);
    close(opened.fd);
}

void Serve(int channel) {
    unsigned char buffer[kMaxMessageBytes];
    for (;;) {
        const ReceivedMessage message = ReceiveMessage(channel, buffer, sizeof buffer);
        if (message.size < 0 || (message.size == 0 && PeerGone(channel))) {
            return;
        }
        Answer(channel, message, buffer);
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
    syscall(SYS_close_range, kStartChannel + 1, ~0U, 0);
    const int channel = AwaitHello(program);
    close(kStartChannel);
    if (channel < 0) {
        return 1;
    }
    Serve(channel);
    return 0;
}

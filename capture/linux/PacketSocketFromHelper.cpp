// The program's capture sockets: asked of the capture helper, whose channel the launcher hands over.
#include "PacketSocketSource.h"

#include "CaptureHelperClient.h"

#include <cerrno>
#include <cstdlib>

#include <sys/socket.h>

namespace {

constexpr char kChannelVariable[] = "SORVANE_CAPTURE_HELPER_FD";

// The descriptor number the launcher put in the environment, or -1.
int StartChannel() {
    const char* text = std::getenv(kChannelVariable);
    if (text == nullptr || *text == '\0') {
        return -1;
    }
    char* end = nullptr;
    errno = 0;
    const long fd = std::strtol(text, &end, 10);
    if (errno != 0 || *end != '\0' || fd <= 2 || fd >= 65536) {
        return -1;
    }
    int type = 0;
    socklen_t size = sizeof type;
    const bool channel =
        getsockopt(static_cast<int>(fd), SOL_SOCKET, SO_TYPE, &type, &size) == 0 && type == SOCK_SEQPACKET;
    return channel ? static_cast<int>(fd) : -1;
}

CaptureHelperClient& Helper() {
    static CaptureHelperClient client(StartChannel());
    return client;
}

} // namespace

BoundPacketSocket ObtainPacketSocket(const std::string& interfaceName) {
    return Helper().Request(interfaceName);
}

std::string TakePacketSocketSourceNotice() {
    return Helper().TakeGoneNotice();
}

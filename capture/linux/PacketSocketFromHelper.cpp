// The program's capture sockets: asked of the capture helper, whose channel the launcher hands over.
#include "PacketSocketSource.h"

#include "CaptureHelperClient.h"
#include "HelperMessages.h"

#include <cerrno>
#include <cstdlib>

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
    return IsSeqPacketChannel(static_cast<int>(fd)) ? static_cast<int>(fd) : -1;
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

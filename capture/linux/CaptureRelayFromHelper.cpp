// The program's captures: relayed by the capture helper, whose channel the launcher hands over.
#include "CaptureRelaySource.h"

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
    return IsUnixSeqPacketChannel(static_cast<int>(fd)) ? static_cast<int>(fd) : -1;
}

CaptureHelperClient& Helper() {
    static CaptureHelperClient client(StartChannel());
    return client;
}

class HelperLink : public CaptureRelayLink {
public:
    ~HelperLink() override { Helper().RequestEnd(); }
    void RequestStop() override { Helper().RequestStop(); }
};

} // namespace

OpenedRelay OpenCaptureRelay(const std::string& interfaceName) {
    RelayedDescriptors descriptors = Helper().Request(interfaceName);
    if (descriptors.area < 0) {
        return {nullptr, std::move(descriptors)};
    }
    return {std::make_unique<HelperLink>(), std::move(descriptors)};
}

std::string TakeCaptureRelayNotice() {
    return Helper().TakeGoneNotice();
}

// The host build's captures: relayed by the helper's own service on a thread of this process, over
// a socket pair, so that tests and benchmarks run the program's whole path. The thread is started
// by the thread that opens the capture and so shares its network namespace and capabilities.
#include "CaptureRelaySource.h"

#include "HelperService.h"

#include <system_error>
#include <thread>

#include <sys/socket.h>
#include <unistd.h>

namespace {

class InProcessLink : public CaptureRelayLink {
public:
    InProcessLink(std::unique_ptr<CaptureHelperClient> client, std::thread relay)
        : m_client(std::move(client)), m_relay(std::move(relay)) {}
    // The channel's end ends the service, and with it the thread.
    ~InProcessLink() override {
        m_client->RequestEnd();
        m_client.reset();
        m_relay.join();
    }
    void RequestStop() override { m_client->RequestStop(); }

private:
    std::unique_ptr<CaptureHelperClient> m_client;
    std::thread m_relay;
};

std::thread StartService(int channel) {
    return std::thread([channel] {
        ServeCaptureChannel(channel);
        close(channel);
    });
}

} // namespace

OpenedRelay OpenCaptureRelay(const std::string& interfaceName) {
    int pair[2];
    if (socketpair(AF_UNIX, SOCK_SEQPACKET | SOCK_CLOEXEC, 0, pair) != 0) {
        return {nullptr, {-1, -1, -1, "capture helper connection failed: no socket pair\n"}};
    }
    std::thread relay;
    try {
        relay = StartService(pair[1]);
    } catch (const std::system_error&) {
        close(pair[0]);
        close(pair[1]);
        return {nullptr, {-1, -1, -1, "capture helper start failed: no thread\n"}};
    }
    auto client = std::make_unique<CaptureHelperClient>(pair[0], true);
    RelayedDescriptors descriptors = client->Request(interfaceName);
    auto link = std::make_unique<InProcessLink>(std::move(client), std::move(relay));
    if (descriptors.area < 0) {
        return {nullptr, std::move(descriptors)};
    }
    return {std::move(link), std::move(descriptors)};
}

std::string TakeCaptureRelayNotice() {
    return "";
}

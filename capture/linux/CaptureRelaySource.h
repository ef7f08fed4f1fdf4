// Who relays a capture's datagrams; the build picks: the capture helper for the program, a thread
// of this process, running the helper's own service, for the host's tests and benchmarks.
#pragma once

#include "CaptureHelperClient.h"

#include <memory>
#include <string>

// The program's hold on one relayed capture: destroying it ends the capture.
class CaptureRelayLink {
public:
    virtual ~CaptureRelayLink() = default;
    // Asks for the capture to be taken off the traffic; the relay then finishes.
    virtual void RequestStop() = 0;
};

struct OpenedRelay {
    std::unique_ptr<CaptureRelayLink> link;
    RelayedDescriptors descriptors;
};

// A capture of the named interface; without a link, descriptors.failure says why.
OpenedRelay OpenCaptureRelay(const std::string& interfaceName);

// A line for the user, once, when the source can no longer relay captures; empty otherwise.
std::string TakeCaptureRelayNotice();

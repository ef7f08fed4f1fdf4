// The operating-system seam of the capture engine: four small services, one set per platform.
// Tests give the engine scripted ones, or wrap the host's and change only what they script.
#pragma once

#include "CaptureMemory.h"
#include "CaptureSockets.h"
#include "CaptureThreads.h"
#include "LocalAddressSource.h"

struct CaptureSystem {
    CaptureThreads& threads;
    CaptureSockets& sockets;
    LocalAddressSource& addresses;
    CaptureMemory& memory;
};

// The services of the platform this build runs on; the application hands them to its window.
CaptureSystem HostCaptureSystem();

// The Linux backend's services, one of each for the whole process.
#include "CaptureSystem.h"
#include "HugePageBlocks.h"
#include "LinuxCaptureSockets.h"
#include "LinuxLocalAddresses.h"
#include "LinuxThreads.h"

CaptureSystem HostCaptureSystem() {
    static LinuxThreads threads;
    static LinuxCaptureSockets sockets;
    static LinuxLocalAddresses addresses;
    static HugePageBlocks memory;
    return {threads, sockets, addresses, memory};
}

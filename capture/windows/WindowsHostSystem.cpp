// The Windows backend's services, one of each for the whole process; packet copies come from the heap.
#include "CaptureSystem.h"
#include "WinSockCaptureSockets.h"
#include "WindowsThreads.h"

CaptureSystem HostCaptureSystem() {
    static WindowsThreads threads;
    static WinSockCaptureSockets sockets;
    static CaptureMemory memory;
    return {threads, sockets, sockets, memory};
}

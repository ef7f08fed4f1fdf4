// The capture thread as a plain detached standard thread.
#include "DetachedThread.h"

#include <system_error>
#include <thread>

bool StartDetachedThread(void (*proc)(void*), void* argument) {
    try {
        std::thread(proc, argument).detach();
        return true;
    } catch (const std::system_error&) {
        return false;
    }
}

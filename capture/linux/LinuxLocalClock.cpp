// The local time of day with milliseconds, from the real-time clock.
#include "LinuxLocalClock.h"

namespace {

// The broken-down local time of the last whole second read on this thread: every reading within
// that second shares it, so the time zone conversion runs once a second rather than once a packet.
struct LocalSecond {
    time_t second = -1;
    tm local{};
};

const tm& LocalTimeOf(time_t second) {
    thread_local LocalSecond last;
    if (second != last.second) {
        localtime_r(&second, &last.local);
        last.second = second;
    }
    return last.local;
}

} // namespace

LocalTime LocalTimeAt(const timespec& time) {
    const tm& local = LocalTimeOf(time.tv_sec);
    return {local.tm_hour, local.tm_min, local.tm_sec, static_cast<int>(time.tv_nsec / 1000000 % 1000)};
}

LocalTime ReadLocalTime() {
    timespec now{};
    clock_gettime(CLOCK_REALTIME, &now);
    return LocalTimeAt(now);
}

// Tests of the Windows backend's worker thread and local clock.
#include "LocalClock.h"
#include "windows/WindowsThreads.h"

#include <gtest/gtest.h>

#include <windows.h>

#include <cstdint>

namespace {

struct ThreadCall {
    HANDLE done;
    DWORD threadId;
};

void RecordThread(void* argument) {
    auto* call = static_cast<ThreadCall*>(argument);
    call->threadId = GetCurrentThreadId();
    SetEvent(call->done);
}

TEST(WindowsThread, RunsTheProcedureWithItsArgumentOnAnotherThread) {
    WindowsThreads threads;
    ThreadCall call{CreateEventA(nullptr, TRUE, FALSE, nullptr), 0};
    ASSERT_NE(call.done, nullptr);
    ASSERT_TRUE(threads.StartThread(RecordThread, &call));
    ASSERT_EQ(WaitForSingleObject(call.done, 10000), WAIT_OBJECT_0);
    EXPECT_NE(call.threadId, 0u);
    EXPECT_NE(call.threadId, GetCurrentThreadId());
    CloseHandle(call.done);
}

// The local time read another way than ReadLocalTime's: the system clock as a file time moved to
// local time, in whole milliseconds (truncated, as the stamp is) since 1601.
int64_t LocalMilliseconds() {
    FILETIME utc;
    FILETIME local;
    GetSystemTimeAsFileTime(&utc);
    EXPECT_TRUE(FileTimeToLocalFileTime(&utc, &local));
    return static_cast<int64_t>((uint64_t{local.dwHighDateTime} << 32 | local.dwLowDateTime) / 10000);
}

struct Bracket {
    int64_t before;
    int64_t stamp;
    int64_t after;
};

// ReadLocalTime between two readings on this thread, the stamp placed on the readings' day; a
// bracket across midnight is taken again.
Bracket BracketReadLocalTime() {
    constexpr int64_t kDay = 24 * 60 * 60 * 1000;
    for (;;) {
        const int64_t before = LocalMilliseconds();
        const LocalTime time = ReadLocalTime();
        const int64_t after = LocalMilliseconds();
        EXPECT_TRUE(time.hour >= 0 && time.hour <= 23 && time.minute >= 0 && time.minute <= 59 && time.second >= 0 &&
                    time.second <= 59 && time.millisecond >= 0 && time.millisecond <= 999);
        const int64_t ofDay = ((time.hour * 60 + time.minute) * 60 + time.second) * 1000 + time.millisecond;
        if (before / kDay == after / kDay)
            return Bracket{before, before / kDay * kDay + ofDay, after};
    }
}

// The second bracket opens only once the readings have moved past the first, so a clock that stands
// still, lags or runs ahead falls outside one of them.
TEST(WindowsLocalClock, ReadsTheLocalTimeOfDayAsItMoves) {
    const Bracket first = BracketReadLocalTime();
    Bracket second;
    do {
        Sleep(20);
        second = BracketReadLocalTime();
    } while (second.before <= first.after);
    for (const Bracket& bracket : {first, second}) {
        EXPECT_LE(bracket.before, bracket.stamp);
        EXPECT_LE(bracket.stamp, bracket.after);
    }
}

} // namespace

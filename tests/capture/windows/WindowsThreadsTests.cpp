// Tests of the Windows backend's worker thread and local clock.
#include "LocalClock.h"
#include "windows/WindowsThreads.h"

#include <gtest/gtest.h>

#include <windows.h>

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

TEST(WindowsLocalClock, ReadsATimeOfDay) {
    const LocalTime time = ReadLocalTime();
    EXPECT_GE(time.hour, 0);
    EXPECT_LE(time.hour, 23);
    EXPECT_GE(time.minute, 0);
    EXPECT_LE(time.minute, 59);
    EXPECT_GE(time.second, 0);
    EXPECT_LE(time.second, 59);
    EXPECT_GE(time.millisecond, 0);
    EXPECT_LE(time.millisecond, 999);
}

} // namespace

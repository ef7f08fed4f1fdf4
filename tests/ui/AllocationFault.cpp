// The global operator new and delete of the fault test program, with one allocation made to fail.
#include "AllocationFault.h"

#include <windows.h>

#include <atomic>
#include <cstdlib>
#include <new>

namespace {

// Only the thread that armed the fault counts: the capture thread allocates at its own pace.
std::atomic<DWORD> g_thread{0};
std::atomic<int> g_made{0};
std::atomic<int> g_failing{-1};

bool FailsNow() {
    if (g_thread.load() == 0 || ::GetCurrentThreadId() != g_thread.load())
        return false;
    return g_made.fetch_add(1) == g_failing.load();
}

} // namespace

AllocationFault::AllocationFault(int ordinal) {
    g_made.store(0);
    g_failing.store(ordinal);
    g_thread.store(::GetCurrentThreadId());
}

AllocationFault::~AllocationFault() {
    g_thread.store(0);
    g_failing.store(-1);
}

int AllocationFault::Made() const {
    return g_made.load();
}

void* operator new(std::size_t size) {
    if (FailsNow())
        throw std::bad_alloc();
    if (void* block = std::malloc(size != 0 ? size : 1))
        return block;
    throw std::bad_alloc();
}

void operator delete(void* block) noexcept {
    std::free(block);
}

void operator delete(void* block, std::size_t) noexcept {
    std::free(block);
}

// Owns one operating-system handle and closes it on every early return, unless released; each
// backend names its handle type, its invalid value and its close function.
#pragma once

#include <utility>

template <typename Handle, Handle kInvalid, void (*Close)(Handle)> class UniqueHandle {
public:
    explicit UniqueHandle(Handle handle) : m_handle(handle) {}
    UniqueHandle(const UniqueHandle&) = delete;
    UniqueHandle& operator=(const UniqueHandle&) = delete;
    UniqueHandle(UniqueHandle&& other) noexcept : m_handle(other.release()) {}
    ~UniqueHandle() {
        if (m_handle != kInvalid) {
            Close(m_handle);
        }
    }

    explicit operator bool() const { return m_handle != kInvalid; }
    Handle get() const { return m_handle; }
    Handle release() { return std::exchange(m_handle, kInvalid); }

private:
    Handle m_handle;
};

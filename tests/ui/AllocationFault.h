// Makes one allocation of the current thread fail: the fault test program replaces the global
// operator new, which throws std::bad_alloc for the chosen allocation as it does when memory is short.
#pragma once

class AllocationFault {
public:
    // The allocation with this ordinal (0 is the next one) made on this thread fails.
    explicit AllocationFault(int ordinal);
    AllocationFault(const AllocationFault&) = delete;
    AllocationFault& operator=(const AllocationFault&) = delete;
    ~AllocationFault();

    // How many allocations this thread asked for since construction, the failed one included.
    int Made() const;
};

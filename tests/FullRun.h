// Skipping a test that cannot run here: said loudly by hand, a failure in a full run, where every
// suite must have run (CI=true, or SORVANE_FULL_RUN=1 as scripts/test --full sets it).
#pragma once

#include <gtest/gtest.h>

#include <cstdlib>
#include <string>

inline bool FullRunRequired() {
    const char* ci = std::getenv("CI");
    const char* full = std::getenv("SORVANE_FULL_RUN");
    return (ci != nullptr && (std::string(ci) == "true" || std::string(ci) == "1")) ||
           (full != nullptr && std::string(full) == "1");
}

// Returns from the test, as GTEST_SKIP does; in a full run the test fails instead.
#define SKIP_UNLESS_FULL_RUN(reason)                                                                             \
    do {                                                                                                         \
        if (FullRunRequired()) {                                                                                 \
            FAIL() << "a full run may not skip: " << reason;                                                     \
        }                                                                                                        \
        GTEST_SKIP() << reason;                                                                                  \
    } while (0)

// Owns a file descriptor and closes it on every early return, unless released.
#pragma once

#include "UniqueHandle.h"

#include <unistd.h>

inline void CloseFd(int fd) {
    close(fd);
}

using UniqueFd = UniqueHandle<int, -1, CloseFd>;

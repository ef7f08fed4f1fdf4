// The line that tells the user how many datagrams a capture lost before they could be stored.
#pragma once

#include <array>
#include <cstdint>

// "Kernel dropped 1,234 packets during this capture\n", the count grouped by thousands; made
// without allocating, since the capture thread makes it.
std::array<char, 80> LostPacketsLine(uint64_t lost);

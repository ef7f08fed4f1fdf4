// The lines that tell the user how many datagrams a capture lost before they could be
// stored, by cause.
#pragma once

#include <array>
#include <cstdint>

// "Kernel dropped 1,234 packets during this capture\n", the count grouped by thousands; made
// without allocating, since the capture thread makes it.
std::array<char, 80> LostPacketsLine(uint64_t lost);
// "1,234 packets had not been read when the capture stopped\n", likewise.
std::array<char, 80> UnreadPacketsLine(uint64_t unread);

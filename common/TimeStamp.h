// The packet time stamp's layout, shared by the store that writes it and the list row that shows it.
#pragma once

#include <cstddef>

// "HH:MM:SS.mmm": the local time at which a packet was stored, zero-padded.
constexpr std::size_t kTimeStampLength = 12;

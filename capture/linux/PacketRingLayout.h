// The shape of the capture socket's receive ring, shared by the side that sets it up on the socket
// and the side that maps and reads it.
#pragma once

#include <cstddef>

// A block must take the largest IPv4 datagram (65,535 bytes) with its frame header and the block's
// own header, or the kernel would cut it. Blocks of 512 KiB hold about 2,900 small datagrams, so the
// capture thread wakes once per that many (a wake costs tens of microseconds on a virtual machine).
constexpr unsigned kRingBlockBytes = 512 * 1024;
// 16 blocks: 8 MiB, four times the ring that tcpdump asks for by default, because storing costs more
// than tcpdump's writing: the first touch of fresh store memory can hold the capture thread up for
// milliseconds, about 30 ms of the fastest traffic in 4 MiB. Ring memory is not limited by
// net.core.rmem_max and needs no privilege beyond the socket's.
constexpr unsigned kRingBlockCount = 16;
// Frames in a TPACKET_V3 block are as long as their datagram; the frame size only has to divide the
// block evenly for the kernel's checks.
constexpr unsigned kRingFrameBytes = 2048;
// A block that is not full is handed over after this long. Packets carry the kernel's arrival time,
// so this decides only how soon slow traffic reaches the store and the counter. A packet notice
// (kNoticeInterval in Capture.cpp) goes out at the first wake after its interval, so the time-out
// bounds how far apart notices come; it is short because a wake costs a small fraction of a
// notice: every fifth ring period (225 ms) carries one, and slow traffic costs 22 wakes a second.
constexpr unsigned kRingRetireTimeoutMs = 45;

constexpr size_t kRingBytes = size_t{kRingBlockBytes} * kRingBlockCount;

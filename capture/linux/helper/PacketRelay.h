// One capture as the capture helper runs it: the packet socket and its kernel ring, which never
// leave the helper, and the relay area into which their datagrams are copied for the program.
#pragma once

#include "PacketRing.h"
#include "UniqueFd.h"

#include <cstdint>
#include <memory>
#include <string>

class PacketRelay {
public:
    // Opens the packet socket bound to interfaceName and maps its ring, and makes the relay area (a
    // memfd sealed against shrinking and growing, so that the program cannot make the helper fault
    // on it) and its two eventfds; nullptr and the failing step's text when it cannot.
    static std::unique_ptr<PacketRelay> Open(const std::string& interfaceName, std::string& failure);
    PacketRelay(const PacketRelay&) = delete;
    PacketRelay& operator=(const PacketRelay&) = delete;
    ~PacketRelay();

    // What the program is given: the area, the eventfd the helper signals when it publishes a block
    // (or an error, or the end of a stop), and the one the program signals when it frees a block
    // the helper waits for.
    int AreaFd() const { return m_area.get(); }
    int DataFd() const { return m_data.get(); }
    int FreedFd() const { return m_freed.get(); }

    // The descriptor to watch for datagrams, or -1 while there is no point: no free block to copy
    // into, or no more traffic coming.
    int WatchedSocket() const;
    // The freed eventfd while the helper waits for a block, else -1.
    int WatchedFreed() const { return m_waiting ? m_freed.get() : -1; }

    // Copies what the kernel ring holds into free blocks, publishing each block as it fills and the
    // last one once the ring has nothing more for now. It stops at a block that is not free, leaving
    // the kernel ring alone, so that the kernel counts what it then drops. True when it stopped
    // early with more to copy: each call does a bounded amount, so that requests are answered
    // during a flood.
    bool Pump();
    // Socket events poll reported (an error or a hang-up): the socket's error is published after the
    // datagrams that came before it.
    void TakeSocketEvents(short events);
    // Takes the socket off the traffic; Pump copies the rest, then marks the capture finished.
    void StopArrivals();

private:
    PacketRelay(UniqueFd socket, std::unique_ptr<PacketRing> ring, UniqueFd area, unsigned char* base,
                UniqueFd data, UniqueFd freed);
    bool Copy();
    bool TakeBlock();
    void Publish();
    void WriteRecord(const RingFrame& frame, uint32_t length);
    void PublishLost(uint64_t lost);
    void Finish();

    UniqueFd m_socket;
    std::unique_ptr<PacketRing> m_ring;
    UniqueFd m_area;
    unsigned char* m_base;
    UniqueFd m_data;
    UniqueFd m_freed;
    // The block being filled and how many record bytes it holds; the helper's own copy, never read
    // back from the area.
    unsigned m_block = 0;
    bool m_haveBlock = false;
    size_t m_used = 0;
    bool m_waiting = false;
    bool m_sealed = false;
    bool m_finished = false;
    bool m_socketQuiet = false;
    uint64_t m_lost = 0;
    // Datagrams written into blocks so far, the block being filled included.
    uint64_t m_copied = 0;
    uint32_t m_socketErrors = 0;
};

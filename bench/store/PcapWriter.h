// Writes packets to a classic pcap file with raw IPv4 link type, for the comparison tools.
#pragma once

#include <cstdint>
#include <cstdio>
#include <string>

class PcapWriter {
public:
    explicit PcapWriter(const std::string& path);
    PcapWriter(const PcapWriter&) = delete;
    PcapWriter& operator=(const PcapWriter&) = delete;
    ~PcapWriter();

    bool IsOpen() const { return m_file != nullptr; }
    // One record: the stored bytes, the datagram's original length and a time in microseconds.
    void Write(const unsigned char* bytes, uint32_t length, uint32_t originalLength, uint64_t microseconds);
    // Flushes and closes; false when any write failed.
    bool Close();

private:
    FILE* m_file;
    bool m_failed = false;
};

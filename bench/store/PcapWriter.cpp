// Classic pcap: a 24-byte file header, then a 16-byte header before each record, host byte order.
#include "PcapWriter.h"

namespace {

constexpr uint32_t kMagic = 0xA1B2C3D4;
constexpr uint32_t kLinkTypeRaw = 101; // the record starts at the IP header
constexpr uint32_t kSnapLength = 65535;

struct FileHeader {
    uint32_t magic;
    uint16_t versionMajor;
    uint16_t versionMinor;
    int32_t thisZone;
    uint32_t sigFigs;
    uint32_t snapLength;
    uint32_t linkType;
};

struct RecordHeader {
    uint32_t seconds;
    uint32_t microseconds;
    uint32_t capturedLength;
    uint32_t originalLength;
};

} // namespace

PcapWriter::PcapWriter(const std::string& path) : m_file(std::fopen(path.c_str(), "wb")) {
    if (m_file == nullptr) {
        return;
    }
    const FileHeader header{kMagic, 2, 4, 0, 0, kSnapLength, kLinkTypeRaw};
    m_failed = std::fwrite(&header, sizeof header, 1, m_file) != 1;
}

PcapWriter::~PcapWriter() {
    Close();
}

void PcapWriter::Write(const unsigned char* bytes, uint32_t length, uint32_t originalLength, uint64_t microseconds) {
    if (m_file == nullptr) {
        return;
    }
    const RecordHeader header{static_cast<uint32_t>(microseconds / 1000000),
                              static_cast<uint32_t>(microseconds % 1000000), length, originalLength};
    m_failed |= std::fwrite(&header, sizeof header, 1, m_file) != 1;
    m_failed |= length > 0 && std::fwrite(bytes, length, 1, m_file) != 1;
}

bool PcapWriter::Close() {
    if (m_file == nullptr) {
        return !m_failed;
    }
    m_failed |= std::fclose(m_file) != 0;
    m_file = nullptr;
    return !m_failed;
}

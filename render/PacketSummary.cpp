// Renders the fixed-width summary of one packet.
#include "PacketSummary.h"

#include "DigitWriter.h"
#include "PacketFields.h"

#include <cstring>

namespace {

constexpr char kSummaryTemplate[] = "Src_Addr:000.000.000.000 Dst_Addr:000.000.000.000 Src_Port:00000  Dst_Port:00000";
static_assert(sizeof(kSummaryTemplate) - 1 == kPacketSummaryLength);

constexpr std::size_t kSourcePortColumn = 59;
constexpr std::size_t kDestinationPortColumn = 75;
constexpr int kOctetWidth = 3;
constexpr int kPortWidth = 5;

void WriteField(char* out, int value, int width) {
    if (value == kMissingField) {
        WriteRepeated(out, '-', width);
    } else {
        WritePaddedDecimal(out, static_cast<unsigned>(value), width);
    }
}

void WriteAddress(char* out, const unsigned char* bytes, uint32_t length, uint32_t offset) {
    for (uint32_t i = 0; i < 4; ++i) {
        WriteField(out + i * kSummaryOctetStride, ReadByteField(bytes, length, offset + i), kOctetWidth);
    }
}

} // namespace

void WritePacketSummary(char* out, const unsigned char* bytes, uint32_t length) {
    std::memcpy(out, kSummaryTemplate, kPacketSummaryLength);
    WriteAddress(out + kSummarySourceOctetColumn, bytes, length, kSourceAddressOffset);
    WriteAddress(out + kSummaryDestinationOctetColumn, bytes, length, kDestinationAddressOffset);
    WriteField(out + kSourcePortColumn, ReadPortField(bytes, length, kSourcePortOffset), kPortWidth);
    WriteField(out + kDestinationPortColumn, ReadPortField(bytes, length, kDestinationPortOffset), kPortWidth);
}

std::string FormatPacketSummary(const unsigned char* bytes, uint32_t length) {
    std::string summary(kPacketSummaryLength, ' ');
    WritePacketSummary(&summary[0], bytes, length);
    return summary;
}

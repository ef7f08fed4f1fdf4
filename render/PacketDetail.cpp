// Renders the detail text of one packet.
#include "PacketDetail.h"

#include "DigitWriter.h"
#include "PacketFields.h"
#include "ProtocolNames.h"

#include <cassert>
#include <cstddef>

namespace {

constexpr uint32_t kDumpRowBytes = 16;
constexpr std::size_t kDumpPrefixLength = 11; // 8 hex digits of the row number and " : "
constexpr std::size_t kDumpHexLength = 3 * kDumpRowBytes;
constexpr std::size_t kHeaderCapacity = 128;

char* WriteText(char* out, const char* text) {
    while (*text != '\0') {
        *out++ = *text++;
    }
    return out;
}

char* WriteValue(char* out, int value) {
    if (value == kMissingField) {
        *out++ = '-';
        return out;
    }
    return WriteDecimal(out, static_cast<unsigned>(value));
}

char* WriteProtocolLine(char* out, const unsigned char* bytes, uint32_t length) {
    int protocol = ReadByteField(bytes, length, kProtocolOffset);
    out = WriteText(out, "Protocol: ");
    out = WriteText(out, protocol == kMissingField ? "-" : ProtocolName(static_cast<unsigned>(protocol)));
    return WriteText(out, " \n");
}

char* WriteAddressLine(char* out, const char* label, const unsigned char* bytes, uint32_t length, uint32_t offset) {
    out = WriteText(out, label);
    for (uint32_t i = 0; i < 4; ++i) {
        if (i > 0) {
            *out++ = '.';
        }
        out = WriteValue(out, ReadByteField(bytes, length, offset + i));
    }
    return WriteText(out, " \n");
}

char* WritePortLine(char* out, const unsigned char* bytes, uint32_t length) {
    out = WriteText(out, "Src Port: ");
    out = WriteValue(out, ReadPortField(bytes, length, kSourcePortOffset));
    out = WriteText(out, "  Dst Port: ");
    out = WriteValue(out, ReadPortField(bytes, length, kDestinationPortOffset));
    return WriteText(out, "\n");
}

// Writes the four header lines into header (at most kHeaderCapacity characters); returns their length.
std::size_t WriteHeader(char* header, const unsigned char* bytes, uint32_t length) {
    char* out = WriteProtocolLine(header, bytes, length);
    out = WriteAddressLine(out, "Src Address: ", bytes, length, kSourceAddressOffset);
    out = WriteAddressLine(out, "Dst Address: ", bytes, length, kDestinationAddressOffset);
    out = WritePortLine(out, bytes, length);
    return static_cast<std::size_t>(out - header);
}

std::size_t DumpRowLength(uint32_t rowBytes) {
    return kDumpPrefixLength + kDumpHexLength + rowBytes + 1;
}

std::size_t DumpLength(uint32_t length) {
    uint32_t rest = length % kDumpRowBytes;
    return std::size_t{length / kDumpRowBytes} * DumpRowLength(kDumpRowBytes) + (rest > 0 ? DumpRowLength(rest) : 0);
}

char PrintableOrDot(unsigned char byte) {
    return byte >= 0x20 && byte <= 0x7E ? static_cast<char>(byte) : '.';
}

// One row: the row number (not the byte offset), the bytes in hex, blank fill for missing bytes so
// the character column always starts at the same place, then the bytes as characters.
char* WriteDumpRow(char* out, uint32_t rowNumber, const unsigned char* row, uint32_t rowBytes) {
    out = WritePaddedHex(out, rowNumber, 8);
    out = WriteText(out, " : ");
    for (uint32_t i = 0; i < rowBytes; ++i) {
        out = WritePaddedHex(out, row[i], 2);
        *out++ = ' ';
    }
    out = WriteRepeated(out, ' ', static_cast<int>(3 * (kDumpRowBytes - rowBytes)));
    for (uint32_t i = 0; i < rowBytes; ++i) {
        *out++ = PrintableOrDot(row[i]);
    }
    *out++ = '\n';
    return out;
}

char* WriteDump(char* out, const unsigned char* bytes, uint32_t length) {
    for (uint32_t offset = 0, rowNumber = 0; offset < length; offset += kDumpRowBytes, ++rowNumber) {
        uint32_t rowBytes = length - offset < kDumpRowBytes ? length - offset : kDumpRowBytes;
        out = WriteDumpRow(out, rowNumber, bytes + offset, rowBytes);
    }
    return out;
}

} // namespace

std::string FormatPacketDetail(const unsigned char* bytes, uint32_t length) {
    char header[kHeaderCapacity];
    std::size_t headerLength = WriteHeader(header, bytes, length);
    assert(headerLength <= kHeaderCapacity);

    std::string text(headerLength + DumpLength(length), '\0');
    char* out = &text[0];
    for (std::size_t i = 0; i < headerLength; ++i) {
        *out++ = header[i];
    }
    out = WriteDump(out, bytes, length);
    assert(out == text.data() + text.size());
    return text;
}

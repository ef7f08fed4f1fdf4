// Fuzz target: the detail text has its four header lines and an exact hex dump for any bytes and length.
#include "FuzzSupport.h"

#include "PacketDetail.h"
#include "ProtocolNames.h"

#include <cstdint>
#include <cstdio>
#include <string>
#include <vector>

namespace {

// A header value as the text shows it: the decimal value, or "-" when its bytes were not stored.
std::string Shown(long value) {
    return value < 0 ? "-" : std::to_string(value);
}

long ByteAt(const uint8_t* bytes, std::size_t size, std::size_t offset) {
    return offset < size ? bytes[offset] : -1;
}

long PortAt(const uint8_t* bytes, std::size_t size, std::size_t offset) {
    return offset + 1 < size ? bytes[offset] * 256L + bytes[offset + 1] : -1;
}

std::string ExpectedProtocolLine(const uint8_t* bytes, std::size_t size) {
    long protocol = ByteAt(bytes, size, 9);
    std::string name = protocol < 0 ? "-" : protocol <= 100 ? kProtocolNames[protocol] : "unknown";
    return "Protocol: " + name + " ";
}

std::string ExpectedAddressLine(const char* label, const uint8_t* bytes, std::size_t size, std::size_t offset) {
    std::string line = label;
    for (std::size_t i = 0; i < 4; ++i) {
        line += (i > 0 ? "." : "") + Shown(ByteAt(bytes, size, offset + i));
    }
    return line + " ";
}

std::string ExpectedPortLine(const uint8_t* bytes, std::size_t size) {
    return "Src Port: " + Shown(PortAt(bytes, size, 20)) + "  Dst Port: " + Shown(PortAt(bytes, size, 22));
}

std::string ExpectedDumpRow(const uint8_t* bytes, std::size_t size, std::size_t row) {
    char text[96];
    int at = std::snprintf(text, sizeof text, "%08lx : ", static_cast<unsigned long>(row));
    for (std::size_t i = row * 16; i < row * 16 + 16; ++i) {
        at += i < size ? std::snprintf(text + at, sizeof text - at, "%02x ", bytes[i])
                       : std::snprintf(text + at, sizeof text - at, "   ");
    }
    for (std::size_t i = row * 16; i < row * 16 + 16 && i < size; ++i) {
        text[at++] = bytes[i] >= 0x20 && bytes[i] <= 0x7E ? static_cast<char>(bytes[i]) : '.';
    }
    return std::string(text, at);
}

// Splits at every line feed; the text must end with one, so nothing may follow the last.
std::vector<std::string> Lines(const std::string& text) {
    std::vector<std::string> lines;
    std::size_t start = 0;
    for (std::size_t end; (end = text.find('\n', start)) != std::string::npos; start = end + 1) {
        lines.push_back(text.substr(start, end - start));
    }
    FUZZ_CHECK(start == text.size());
    return lines;
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, std::size_t size) {
    auto copy = ExactCopy(data, size);
    std::string text = FormatPacketDetail(copy.get(), static_cast<uint32_t>(size));

    for (char c : text) {
        FUZZ_CHECK(c == '\n' || (c >= 0x20 && c <= 0x7E));
    }
    std::vector<std::string> lines = Lines(text);
    std::size_t rows = (size + 15) / 16;
    FUZZ_CHECK(lines.size() == 4 + rows);
    FUZZ_CHECK(lines[0] == ExpectedProtocolLine(data, size));
    FUZZ_CHECK(lines[1] == ExpectedAddressLine("Src Address: ", data, size, 12));
    FUZZ_CHECK(lines[2] == ExpectedAddressLine("Dst Address: ", data, size, 16));
    FUZZ_CHECK(lines[3] == ExpectedPortLine(data, size));
    for (std::size_t row = 0; row < rows; ++row) {
        FUZZ_CHECK(lines[4 + row] == ExpectedDumpRow(data, size, row));
    }
    return 0;
}

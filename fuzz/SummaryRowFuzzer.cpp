// Fuzz target: the packet summary and the list row keep their fixed layout for any bytes and length.
#include "FuzzSupport.h"

#include "ListRow.h"
#include "OctetField.h"
#include "PacketSummary.h"
#include "RowAddressMatch.h"

#include <cstdint>
#include <cstdio>
#include <string>

namespace {

constexpr std::size_t kSourceOctetOffset = 12;
constexpr std::size_t kDestinationOctetOffset = 16;
constexpr std::size_t kSourcePortOffset = 20;
constexpr std::size_t kDestinationPortOffset = 22;
// Row columns of the first source and destination octets and of the two ports.
constexpr std::size_t kSourceOctetColumn = 22;
constexpr std::size_t kDestinationOctetColumn = 47;
constexpr std::size_t kSourcePortColumn = 72;
constexpr std::size_t kDestinationPortColumn = 88;

// A valid HH:MM:SS.mmm derived from the input, so the row's stamp varies with it.
std::string StampFor(const uint8_t* data, std::size_t size) {
    uint32_t fold = static_cast<uint32_t>(size);
    for (std::size_t i = 0; i < size; ++i) {
        fold = fold * 31 + data[i];
    }
    uint32_t ms = fold % 86400000;
    char stamp[16];
    std::snprintf(stamp, sizeof stamp, "%02u:%02u:%02u.%03u", ms / 3600000, ms / 60000 % 60, ms / 1000 % 60, ms % 1000);
    return stamp;
}

std::string Padded(unsigned value, int width) {
    char text[8];
    std::snprintf(text, sizeof text, "%0*u", width, value);
    return text;
}

void CheckLiteral(const std::string& row, std::size_t column, const char* text) {
    FUZZ_CHECK(row.compare(column, std::strlen(text), text) == 0);
}

void CheckLayout(const std::string& row, const std::string& stamp, const std::string& summary) {
    FUZZ_CHECK(row.size() == 93);
    FUZZ_CHECK(summary.size() == 80);
    FUZZ_CHECK(row.compare(0, 12, stamp) == 0);
    FUZZ_CHECK(row.compare(13, std::string::npos, summary) == 0);
    for (char c : row) {
        FUZZ_CHECK(c >= 0x20 && c <= 0x7E);
    }
    CheckLiteral(row, 12, " Src_Addr:");
    CheckLiteral(row, 37, " Dst_Addr:");
    CheckLiteral(row, 62, " Src_Port:");
    CheckLiteral(row, 77, "  Dst_Port:");
    for (std::size_t dot : {25, 29, 33, 50, 54, 58}) {
        FUZZ_CHECK(row[dot] == '.');
    }
}

// A stored octet reads back through ParseOctetField; one that was not stored shows no digits.
void CheckOctets(const std::string& row, std::size_t column, const uint8_t* bytes, std::size_t size,
                 std::size_t offset) {
    for (std::size_t i = 0; i < 4; ++i) {
        std::size_t at = column + 4 * i;
        if (offset + i < size) {
            FUZZ_CHECK(row.compare(at, 3, Padded(bytes[offset + i], 3)) == 0);
            FUZZ_CHECK(ParseOctetField(row.data() + at, 3) == bytes[offset + i]);
        } else {
            FUZZ_CHECK(row.compare(at, 3, "---") == 0);
        }
    }
}

void CheckPort(const std::string& row, std::size_t column, const uint8_t* bytes, std::size_t size, std::size_t offset) {
    if (offset + 1 < size) {
        FUZZ_CHECK(row.compare(column, 5, Padded(bytes[offset] * 256u + bytes[offset + 1], 5)) == 0);
    } else {
        FUZZ_CHECK(row.compare(column, 5, "-----") == 0);
    }
}

// The four bytes at offset, with those not stored taken as 0.
void AddressAt(const uint8_t* bytes, std::size_t size, std::size_t offset, unsigned char address[4]) {
    for (std::size_t i = 0; i < 4; ++i) {
        address[i] = offset + i < size ? bytes[offset + i] : 0;
    }
}

// The filter keeps a row exactly when a fully stored source or destination equals the address.
void CheckFilter(const std::string& row, const uint8_t* bytes, std::size_t size) {
    unsigned char source[4], destination[4], other[4];
    AddressAt(bytes, size, kSourceOctetOffset, source);
    AddressAt(bytes, size, kDestinationOctetOffset, destination);
    AddressAt(bytes, size, kSourceOctetOffset, other);
    while (other[0] == source[0] || other[0] == destination[0]) {
        ++other[0];
    }
    bool sourceStored = size >= kSourceOctetOffset + 4;
    bool destinationStored = size >= kDestinationOctetOffset + 4;
    bool same = std::memcmp(source, destination, 4) == 0;
    FUZZ_CHECK(RowMatchesAddress(row.c_str(), source) == (sourceStored || (destinationStored && same)));
    FUZZ_CHECK(RowMatchesAddress(row.c_str(), destination) == (destinationStored || (sourceStored && same)));
    FUZZ_CHECK(!RowMatchesAddress(row.c_str(), other));
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, std::size_t size) {
    auto copy = ExactCopy(data, size);
    auto length = static_cast<uint32_t>(size);
    std::string stamp = StampFor(data, size);
    std::string summary = FormatPacketSummary(copy.get(), length);
    std::string row = FormatListRow(stamp, copy.get(), length);

    CheckLayout(row, stamp, summary);
    CheckOctets(row, kSourceOctetColumn, data, size, kSourceOctetOffset);
    CheckOctets(row, kDestinationOctetColumn, data, size, kDestinationOctetOffset);
    CheckPort(row, kSourcePortColumn, data, size, kSourcePortOffset);
    CheckPort(row, kDestinationPortColumn, data, size, kDestinationPortOffset);
    CheckFilter(row, data, size);
    return 0;
}

// Fuzz target: RowMatchesAddress on any terminated text reads nothing past the NUL and follows the filter rule.
#include "FuzzSupport.h"

#include "RowAddressMatch.h"

#include <cstdint>
#include <cstdlib>
#include <string>

namespace {

constexpr std::size_t kSourceOctetColumn = 22;
constexpr std::size_t kDestinationOctetColumn = 47;

// An octet field as the filter reads it: the 3 characters at column (fewer when the row ends first)
// through strtol, reduced to the low 8 bits. A field absent from the row or shown as dashes reads as none.
bool ReadOctet(const std::string& row, std::size_t column, unsigned char& octet) {
    if (column >= row.size() || row[column] == '-') {
        return false;
    }
    octet = static_cast<unsigned char>(std::strtol(row.substr(column, 3).c_str(), nullptr, 10));
    return true;
}

bool ReferenceMatchAt(const std::string& row, std::size_t column, const uint8_t address[4]) {
    for (std::size_t i = 0; i < 4; ++i) {
        unsigned char octet;
        if (!ReadOctet(row, column + 4 * i, octet) || octet != address[i]) {
            return false;
        }
    }
    return true;
}

} // namespace

// The first 4 bytes are the filter's address; the rest, up to its first NUL, is the row.
extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, std::size_t size) {
    if (size < 4) {
        return 0;
    }
    auto address = ExactCopy(data, 4);
    auto row = ExactCopy(data + 4, size - 4, true);
    const char* text = reinterpret_cast<const char*>(row.get());
    std::string reference(text);
    bool expected = ReferenceMatchAt(reference, kSourceOctetColumn, data) ||
                    ReferenceMatchAt(reference, kDestinationOctetColumn, data);
    FUZZ_CHECK(RowMatchesAddress(text, address.get()) == expected);
    return 0;
}

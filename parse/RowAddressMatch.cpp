// Matches a list row's source or destination address against the filter's address.
#include "RowAddressMatch.h"

#include "ListRow.h"
#include "OctetField.h"

#include <cstddef>

namespace {

constexpr int kOctetFieldWidth = 3;
constexpr std::size_t kLastReadColumn = kListRowDestinationOctetColumn + 3 * kListRowOctetStride + kOctetFieldWidth;

std::size_t BoundedLength(const char* row, std::size_t limit) {
    std::size_t length = 0;
    while (length < limit && row[length] != '\0') {
        ++length;
    }
    return length;
}

bool AddressMatchesAt(const char* row, std::size_t available, std::size_t column, const unsigned char address[4]) {
    for (std::size_t i = 0; i < 4; ++i) {
        std::size_t start = column + i * kListRowOctetStride;
        // A packet stored too short to hold an octet shows it as dashes: an unknown octet never matches.
        if (start >= available || row[start] == '-') {
            return false;
        }
        auto octet = static_cast<unsigned char>(ParseOctetField(row + start, kOctetFieldWidth));
        if (octet != address[i]) {
            return false;
        }
    }
    return true;
}

} // namespace

bool RowMatchesAddress(const char* row, const unsigned char address[4]) {
    if (row == nullptr) {
        return false;
    }
    std::size_t available = BoundedLength(row, kLastReadColumn);
    return AddressMatchesAt(row, available, kListRowSourceOctetColumn, address) ||
           AddressMatchesAt(row, available, kListRowDestinationOctetColumn, address);
}

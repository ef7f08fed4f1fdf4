// The lost-datagram lines, with the count grouped by thousands as users read large counts.
#include "LostPacketsLine.h"

#include <cstdio>

namespace {

// The count's digits with a comma between each group of three; at most 26 characters.
std::array<char, 32> GroupedDigits(uint64_t value) {
    char digits[24];
    const int length = std::snprintf(digits, sizeof digits, "%llu", static_cast<unsigned long long>(value));
    std::array<char, 32> grouped{};
    size_t out = 0;
    for (int i = 0; i < length; ++i) {
        if (i != 0 && (length - i) % 3 == 0) {
            grouped[out++] = ',';
        }
        grouped[out++] = digits[i];
    }
    return grouped;
}

} // namespace

std::array<char, 80> LostPacketsLine(uint64_t lost) {
    std::array<char, 80> line{};
    std::snprintf(line.data(), line.size(), "Kernel dropped %s %s during this capture\n", GroupedDigits(lost).data(),
                  lost == 1 ? "packet" : "packets");
    return line;
}

std::array<char, 80> UnreadPacketsLine(uint64_t unread) {
    std::array<char, 80> line{};
    std::snprintf(line.data(), line.size(), "%s %s had not been read when the capture stopped\n",
                  GroupedDigits(unread).data(), unread == 1 ? "packet" : "packets");
    return line;
}

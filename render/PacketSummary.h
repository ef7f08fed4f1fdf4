// The fixed-width summary of one packet: source and destination address and port.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>

constexpr std::size_t kPacketSummaryLength = 80;

// Columns inside the summary where the first digit of each address's first octet stands;
// the four octets of an address are 4 columns apart.
constexpr std::size_t kSummarySourceOctetColumn = 9;
constexpr std::size_t kSummaryDestinationOctetColumn = 34;
constexpr std::size_t kSummaryOctetStride = 4;

// Writes exactly kPacketSummaryLength characters (no terminator). Fields whose bytes lie beyond
// length are written as dashes of the field's width, so the layout never changes.
void WritePacketSummary(char* out, const unsigned char* bytes, uint32_t length);

std::string FormatPacketSummary(const unsigned char* bytes, uint32_t length);

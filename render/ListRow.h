// One row of the packet list: the time stamp, one space and the packet summary.
#pragma once

#include "PacketSummary.h"
#include "TimeStamp.h"

#include <cstddef>
#include <cstdint>
#include <string>

constexpr std::size_t kListRowSummaryColumn = kTimeStampLength + 1;
constexpr std::size_t kListRowLength = kListRowSummaryColumn + kPacketSummaryLength;

// Where the address filter reads the octets back out of a row.
constexpr std::size_t kListRowSourceOctetColumn = kListRowSummaryColumn + kSummarySourceOctetColumn;
constexpr std::size_t kListRowDestinationOctetColumn = kListRowSummaryColumn + kSummaryDestinationOctetColumn;
constexpr std::size_t kListRowOctetStride = kSummaryOctetStride;

std::string FormatListRow(const std::string& timeStamp, const unsigned char* bytes, uint32_t length);

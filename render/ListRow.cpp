// Assembles one row of the packet list.
#include "ListRow.h"

std::string FormatListRow(const std::string& timeStamp, const unsigned char* bytes, uint32_t length) {
    std::string row(timeStamp.size() + 1 + kPacketSummaryLength, ' ');
    timeStamp.copy(&row[0], timeStamp.size());
    WritePacketSummary(&row[timeStamp.size() + 1], bytes, length);
    return row;
}

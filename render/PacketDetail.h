// The multi-line detail text of one packet: protocol, addresses, ports and a hex dump.
#pragma once

#include <cstdint>
#include <string>

// Header values whose bytes lie beyond length print as "-"; the hex dump covers exactly length bytes.
std::string FormatPacketDetail(const unsigned char* bytes, uint32_t length);

// Reads local IPv4 addresses out of the bytes of a 64-bit socket address list, never past its end.
#pragma once

#include <cstdint>
#include <vector>

// bytes holds bytesReturned bytes that the provider wrote at baseAddress: a 32-bit count, then from
// offset 8 that many 16-byte entries {64-bit pointer to a socket address, 32-bit length, padding}.
// Each socket address is read as IPv4 (its family is not examined); its 4 address bytes, taken as
// they sit (network byte order), are appended to addresses in list order. Returns false, leaving
// addresses empty, when the entries or any address they point at lie outside the returned bytes.
bool ParseSocketAddressList(const unsigned char* bytes, uint32_t bytesReturned, uintptr_t baseAddress,
                            std::vector<uint32_t>& addresses);

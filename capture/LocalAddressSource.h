// Where the local IPv4 addresses come from: the list the user picks the capture's address from.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

// The local IPv4 addresses in the provider's order, each in network byte order; or a failure text.
struct AddressQuery {
    std::vector<uint32_t> addresses;
    std::string failure;
};

class LocalAddressSource {
public:
    virtual ~LocalAddressSource() = default;
    virtual AddressQuery QueryLocalAddresses() = 0;
};

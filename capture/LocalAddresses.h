// The interface list shown in the main window: one "%d. ( %s )" entry per local IPv4 address.
#pragma once

#include "LocalAddressSource.h"

#include <cstdint>
#include <string>
#include <vector>

// Entry i is the address at position i of the provider's list; or a failure text and no entries.
struct AddressEntries {
    std::vector<std::string> entries;
    std::string failure;
};

AddressEntries ListLocalAddresses(LocalAddressSource& source);

// Dotted-decimal text of an address held in network byte order.
std::string FormatDottedAddress(uint32_t addressNetworkOrder);

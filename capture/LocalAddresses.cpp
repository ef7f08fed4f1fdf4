// The interface list of the main window, formatted from the backend's local address query.
#include "LocalAddresses.h"

#include <cstdio>
#include <cstring>

std::string FormatDottedAddress(uint32_t addressNetworkOrder) {
    unsigned char octets[4];
    std::memcpy(octets, &addressNetworkOrder, sizeof octets);
    char text[16];
    std::snprintf(text, sizeof text, "%u.%u.%u.%u", octets[0], octets[1], octets[2], octets[3]);
    return text;
}

AddressEntries ListLocalAddresses(LocalAddressSource& source) {
    AddressQuery query = source.QueryLocalAddresses();
    AddressEntries result;
    if (!query.failure.empty()) {
        result.failure = query.failure;
        return result;
    }
    for (size_t position = 0; position < query.addresses.size(); ++position) {
        char entry[64];
        std::snprintf(entry, sizeof entry, "%d. ( %s )", static_cast<int>(position),
                      FormatDottedAddress(query.addresses[position]).c_str());
        result.entries.push_back(entry);
    }
    return result;
}

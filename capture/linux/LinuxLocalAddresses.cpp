// The addresses of the interface list, which the capture socket's open looks up by the same index.
#include "LinuxLocalAddresses.h"

#include "LinuxInterfaces.h"

AddressQuery LinuxLocalAddresses::QueryLocalAddresses() {
    InterfaceQuery query = QueryLocalInterfaces();
    AddressQuery result{{}, std::move(query.failure)};
    for (const LocalInterface& entry : query.interfaces) {
        result.addresses.push_back(entry.address);
    }
    return result;
}

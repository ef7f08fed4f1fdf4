// The local IPv4 addresses on Linux, in the order of the interface list.
#pragma once

#include "LocalAddressSource.h"

class LinuxLocalAddresses : public LocalAddressSource {
public:
    AddressQuery QueryLocalAddresses() override;
};

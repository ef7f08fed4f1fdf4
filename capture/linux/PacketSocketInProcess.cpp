// The host build's capture sockets: opened in this process, which the tests run with CAP_NET_RAW.
#include "PacketSocketSource.h"

BoundPacketSocket ObtainPacketSocket(const std::string& interfaceName) {
    return OpenBoundPacketSocket(interfaceName);
}

std::string TakePacketSocketSourceNotice() {
    return "";
}

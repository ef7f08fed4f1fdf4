// Where the capture socket comes from; the build picks: the capture helper for the program, the
// process itself for the host's tests and benchmarks.
#pragma once

#include "BoundPacketSocket.h"

#include <string>

// A packet socket bound to the named interface, as OpenBoundPacketSocket makes it.
BoundPacketSocket ObtainPacketSocket(const std::string& interfaceName);

// A line for the user, once, when the source can no longer give sockets; empty otherwise.
std::string TakePacketSocketSourceNotice();

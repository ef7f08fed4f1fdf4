// Failure lines of the Linux backend: a fixed step name followed by the system's error text.
#pragma once

#include <cstring>
#include <string>

// prefix + strerror(error) + "\n", for example "bind(AF_PACKET) failed: No such device\n".
inline std::string SystemFailureText(const char* prefix, int error) {
    return std::string(prefix) + std::strerror(error) + "\n";
}

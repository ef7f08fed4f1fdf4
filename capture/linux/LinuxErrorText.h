// Failure lines of the Linux backend: a fixed step name followed by the system's error text.
#pragma once

#include <cstring>
#include <string>

// The C library's English description of error whatever the locale: under Wine the program runs
// in a Japanese locale for its code page, where strerror() answers in UTF-8 Japanese that the
// code page 932 text pane cannot show.
inline std::string ErrorDescription(int error) {
    const char* description = strerrordesc_np(error);
    return description != nullptr ? description : "Unknown error " + std::to_string(error);
}

// prefix + the error's description + "\n", for example "bind(AF_PACKET) failed: No such device\n".
inline std::string SystemFailureText(const char* prefix, int error) {
    return std::string(prefix) + ErrorDescription(error) + "\n";
}

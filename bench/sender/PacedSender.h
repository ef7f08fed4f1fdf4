// Sends the benchmark's UDP datagrams with sendmmsg at a steady rate.
#pragma once

#include <cstdint>
#include <string>

struct SendReport {
    uint64_t sent;
    double seconds;
    std::string failure; // empty when every datagram went out
};

// Sends count datagrams of kPayloadBytes to kCaptureAddress:kSinkPort from port kSourcePort, at about
// rate datagrams per second (0: as fast as possible). Mixed traffic picks each datagram's source
// address by MixedSourceIndex; otherwise all come from the first source address.
SendReport SendPaced(uint64_t count, double rate, bool mixed);

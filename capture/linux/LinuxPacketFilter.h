// The in-kernel filter of the capture socket: IPv4 only, each datagram once.
#pragma once

// Attaches the filter to a packet socket that is not yet bound. It passes IPv4 datagrams whole and
// drops every other protocol; on a loopback device, where every datagram passes twice (sent, then
// received), it also drops the sent copy. Returns false, with errno set, when it cannot be attached.
bool AttachCaptureFilter(int fd, bool loopback);

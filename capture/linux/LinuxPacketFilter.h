// The in-kernel filter of the capture socket: IPv4 of one interface only, each datagram once.
#pragma once

// Attaches the filter to a packet socket that is not yet bound, and locks it, so that nobody who
// later holds the socket can take it off or replace it. It passes IPv4 datagrams of the interface
// ifindex whole and drops every other protocol and every frame of another interface; on a loopback
// device, where every datagram passes twice (sent, then received), it also drops the sent copy.
// Returns false, with errno set, when it cannot be attached or locked.
bool AttachCaptureFilter(int fd, int ifindex, bool loopback);

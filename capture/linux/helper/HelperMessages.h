// Messages on the capture helper's channels: one datagram each, with at most one descriptor.
#pragma once

#include <cstddef>
#include <string>

#include <sys/types.h>

// Sends bytes as one message, with descriptor attached (SCM_RIGHTS) unless it is -1, and with the
// sender's credentials (SCM_CREDENTIALS) when asked: the kernel checks them, and they arrive even if
// the receiver turns on SO_PASSCRED only after the message was queued. Never raises SIGPIPE; false
// with errno set when the message did not go, EPIPE when the peer is gone.
bool SendMessage(int channel, const std::string& bytes, int descriptor, bool credentials = false);

struct ReceivedMessage {
    // The message's full length, even when only capacity bytes were kept; 0 when the peer is gone;
    // -1 on an error (errno set), EAGAIN included.
    ssize_t size;
    // The first descriptor that came with it (close-on-exec), or -1; further ones are closed.
    int descriptor;
    int descriptorCount;
    // The sender's process id where the channel passes credentials (SO_PASSCRED), else 0.
    pid_t sender;
};

ReceivedMessage ReceiveMessage(int channel, unsigned char* buffer, std::size_t capacity, int flags = 0);

// Whether fd is a SOCK_SEQPACKET socket, the only kind a channel may be.
bool IsSeqPacketChannel(int fd);

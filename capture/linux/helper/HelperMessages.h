// Messages on the capture helper's channels: one datagram each, with a few descriptors at most.
#pragma once

#include <cstddef>
#include <string>

#include <sys/types.h>

// Sends bytes as one message, with descriptor attached (SCM_RIGHTS) unless it is -1, and with the
// sender's credentials (SCM_CREDENTIALS) when asked: the kernel checks them, and they arrive even if
// the receiver turns on SO_PASSCRED only after the message was queued. Never raises SIGPIPE; false
// with errno set when the message did not go, EPIPE when the peer is gone.
bool SendMessage(int channel, const std::string& bytes, const int* descriptors, std::size_t count,
                 bool credentials = false);
inline bool SendMessage(int channel, const std::string& bytes, int descriptor, bool credentials = false) {
    return SendMessage(channel, bytes, &descriptor, descriptor >= 0 ? 1 : 0, credentials);
}

// The most descriptors a message of ours carries: the relay's area and its two eventfds.
constexpr std::size_t kKeptDescriptors = 3;

struct ReceivedMessage {
    // The message's full length, even when only capacity bytes were kept; 0 when the peer is gone;
    // -1 on an error (errno set), EAGAIN included.
    ssize_t size;
    // The first kKeptDescriptors descriptors that came with it (close-on-exec), -1 where none came;
    // further ones are closed. descriptorCount counts them all.
    int descriptors[kKeptDescriptors];
    int descriptorCount;
    // The control data did not fit: descriptors beyond the room for them were lost on the way.
    bool truncated;
    // The sender's process id where the channel passes credentials (SO_PASSCRED), else 0.
    pid_t sender;
};

ReceivedMessage ReceiveMessage(int channel, unsigned char* buffer, std::size_t capacity, int flags = 0);

// Closes the descriptors a message brought.
void CloseDescriptors(ReceivedMessage& message);

// Whether fd is an AF_UNIX SOCK_SEQPACKET socket, the only kind a channel may be.
bool IsUnixSeqPacketChannel(int fd);

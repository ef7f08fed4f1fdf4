// Messages on the capture helper's channels: one datagram each, with a few descriptors at most.
#include "HelperMessages.h"

#include <cerrno>
#include <cstring>

#include <sys/socket.h>
#include <unistd.h>

namespace {

// Room for a few descriptors besides the expected ones, so that extra ones arrive and get closed
// rather than leaving the message's control data cut; and for the sender's credentials.
constexpr std::size_t kMaxDescriptors = 8;
constexpr std::size_t kControlBytes = CMSG_SPACE(sizeof(int) * kMaxDescriptors) + CMSG_SPACE(sizeof(ucred));

void TakeDescriptors(const cmsghdr* header, ReceivedMessage& message) {
    const std::size_t count = (header->cmsg_len - CMSG_LEN(0)) / sizeof(int);
    for (std::size_t i = 0; i < count; ++i) {
        int fd = -1;
        std::memcpy(&fd, CMSG_DATA(header) + i * sizeof(int), sizeof fd);
        if (static_cast<std::size_t>(message.descriptorCount) < kKeptDescriptors) {
            message.descriptors[message.descriptorCount] = fd;
        } else {
            close(fd);
        }
        ++message.descriptorCount;
    }
}

} // namespace

bool SendMessage(int channel, const std::string& bytes, const int* descriptors, std::size_t count, bool credentials) {
    if (count > kKeptDescriptors) {
        errno = EINVAL;
        return false;
    }
    iovec part{const_cast<char*>(bytes.data()), bytes.size()};
    msghdr header{};
    header.msg_iov = &part;
    header.msg_iovlen = 1;
    alignas(cmsghdr) unsigned char control[CMSG_SPACE(sizeof(int) * kKeptDescriptors) + CMSG_SPACE(sizeof(ucred))]{};
    header.msg_control = control;
    header.msg_controllen =
        (count > 0 ? CMSG_SPACE(sizeof(int) * count) : 0) + (credentials ? CMSG_SPACE(sizeof(ucred)) : 0);
    cmsghdr* next = header.msg_controllen > 0 ? CMSG_FIRSTHDR(&header) : nullptr;
    if (count > 0) {
        next->cmsg_level = SOL_SOCKET;
        next->cmsg_type = SCM_RIGHTS;
        next->cmsg_len = CMSG_LEN(sizeof(int) * count);
        std::memcpy(CMSG_DATA(next), descriptors, sizeof(int) * count);
        next = CMSG_NXTHDR(&header, next);
    }
    if (credentials) {
        const ucred own{getpid(), getuid(), getgid()};
        next->cmsg_level = SOL_SOCKET;
        next->cmsg_type = SCM_CREDENTIALS;
        next->cmsg_len = CMSG_LEN(sizeof(ucred));
        std::memcpy(CMSG_DATA(next), &own, sizeof own);
    }
    if (header.msg_controllen == 0) {
        header.msg_control = nullptr;
    }
    ssize_t sent;
    do {
        sent = sendmsg(channel, &header, MSG_NOSIGNAL);
    } while (sent < 0 && errno == EINTR);
    return sent == static_cast<ssize_t>(bytes.size());
}

ReceivedMessage ReceiveMessage(int channel, unsigned char* buffer, std::size_t capacity, int flags) {
    iovec part{buffer, capacity};
    alignas(cmsghdr) unsigned char control[kControlBytes];
    msghdr header{};
    header.msg_iov = &part;
    header.msg_iovlen = 1;
    header.msg_control = control;
    header.msg_controllen = sizeof control;
    ReceivedMessage message{-1, {-1, -1, -1}, 0, false, 0};
    do {
        message.size = recvmsg(channel, &header, flags | MSG_TRUNC | MSG_CMSG_CLOEXEC);
    } while (message.size < 0 && errno == EINTR);
    if (message.size < 0) {
        return message;
    }
    message.truncated = (header.msg_flags & MSG_CTRUNC) != 0;
    for (cmsghdr* c = CMSG_FIRSTHDR(&header); c != nullptr; c = CMSG_NXTHDR(&header, c)) {
        if (c->cmsg_level == SOL_SOCKET && c->cmsg_type == SCM_RIGHTS) {
            TakeDescriptors(c, message);
        } else if (c->cmsg_level == SOL_SOCKET && c->cmsg_type == SCM_CREDENTIALS) {
            ucred credentials{};
            std::memcpy(&credentials, CMSG_DATA(c), sizeof credentials);
            message.sender = credentials.pid;
        }
    }
    return message;
}

void CloseDescriptors(ReceivedMessage& message) {
    for (int& fd : message.descriptors) {
        if (fd >= 0) {
            close(fd);
            fd = -1;
        }
    }
}

bool IsUnixSeqPacketChannel(int fd) {
    int domain = 0;
    int type = 0;
    socklen_t domainSize = sizeof domain;
    socklen_t typeSize = sizeof type;
    return getsockopt(fd, SOL_SOCKET, SO_DOMAIN, &domain, &domainSize) == 0 && domain == AF_UNIX &&
           getsockopt(fd, SOL_SOCKET, SO_TYPE, &type, &typeSize) == 0 && type == SOCK_SEQPACKET;
}

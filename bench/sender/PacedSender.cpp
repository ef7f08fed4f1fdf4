// The sending loop: batches of sendmmsg, each message carrying its source address as IP_PKTINFO.
#include "PacedSender.h"

#include "ProcessFigures.h"
#include "TrafficPattern.h"

#include <algorithm>
#include <cerrno>
#include <cmath>
#include <cstring>
#include <vector>

#include <arpa/inet.h>
#include <netinet/in.h>
#include <sys/socket.h>
#include <time.h>
#include <unistd.h>

namespace {

constexpr unsigned kMaxBatch = 64;
// Batches short enough that pacing stays smooth: about one sendmmsg every 400 microseconds.
constexpr double kBatchesPerSecond = 2500;

// Everything one sendmmsg call needs, reused from batch to batch.
class Batch {
public:
    explicit Batch(const sockaddr_in& destination) : m_destination(destination) {
        for (int k = 0; k < 3; ++k) {
            inet_pton(AF_INET, kSourceAddresses[k], &m_sources[k]);
        }
        std::memset(m_payload, 'x', sizeof m_payload);
    }

    // Fills the batch with datagrams first .. first + size - 1.
    void Fill(uint64_t first, unsigned size, bool mixed) {
        for (unsigned k = 0; k < size; ++k) {
            const int source = mixed ? MixedSourceIndex(first + k) : 0;
            Prepare(k, m_sources[source]);
        }
    }

    mmsghdr* Messages() { return m_messages; }

private:
    void Prepare(unsigned k, in_addr source) {
        m_iov[k] = {m_payload, kPayloadBytes};
        msghdr& header = m_messages[k].msg_hdr;
        header = {};
        header.msg_name = &m_destination;
        header.msg_namelen = sizeof m_destination;
        header.msg_iov = &m_iov[k];
        header.msg_iovlen = 1;
        header.msg_control = m_control[k];
        header.msg_controllen = sizeof m_control[k];
        cmsghdr* control = CMSG_FIRSTHDR(&header);
        control->cmsg_level = IPPROTO_IP;
        control->cmsg_type = IP_PKTINFO;
        control->cmsg_len = CMSG_LEN(sizeof(in_pktinfo));
        in_pktinfo info{};
        info.ipi_spec_dst = source;
        std::memcpy(CMSG_DATA(control), &info, sizeof info);
    }

    sockaddr_in m_destination;
    in_addr m_sources[3]{};
    char m_payload[kPayloadBytes];
    iovec m_iov[kMaxBatch]{};
    mmsghdr m_messages[kMaxBatch]{};
    alignas(cmsghdr) unsigned char m_control[kMaxBatch][CMSG_SPACE(sizeof(in_pktinfo))]{};
};

int OpenSocket(std::string& failure) {
    const int fd = socket(AF_INET, SOCK_DGRAM | SOCK_CLOEXEC, 0);
    if (fd < 0) {
        failure = std::string("socket failed: ") + std::strerror(errno);
        return -1;
    }
    const int on = 1;
    setsockopt(fd, SOL_SOCKET, SO_REUSEADDR, &on, sizeof on);
    sockaddr_in local{};
    local.sin_family = AF_INET;
    local.sin_port = htons(kSourcePort);
    if (bind(fd, reinterpret_cast<const sockaddr*>(&local), sizeof local) != 0) {
        failure = std::string("bind failed: ") + std::strerror(errno);
        close(fd);
        return -1;
    }
    return fd;
}

void SleepUntil(double deadline) {
    timespec until{};
    until.tv_sec = static_cast<time_t>(deadline);
    until.tv_nsec = static_cast<long>((deadline - std::floor(deadline)) * 1e9);
    while (clock_nanosleep(CLOCK_MONOTONIC, TIMER_ABSTIME, &until, nullptr) == EINTR) {
    }
}

// Sends all size messages, retrying the rest while the device queue is momentarily full.
bool SendAll(int fd, mmsghdr* messages, unsigned size, std::string& failure) {
    unsigned done = 0;
    while (done < size) {
        const int sent = sendmmsg(fd, messages + done, size - done, 0);
        if (sent > 0) {
            done += static_cast<unsigned>(sent);
        } else if (errno == ENOBUFS || errno == EAGAIN || errno == EINTR) {
            usleep(50);
        } else {
            failure = std::string("sendmmsg failed: ") + std::strerror(errno);
            return false;
        }
    }
    return true;
}

} // namespace

SendReport SendPaced(uint64_t count, double rate, bool mixed) {
    SendReport report{0, 0, ""};
    const int fd = OpenSocket(report.failure);
    if (fd < 0) {
        return report;
    }
    sockaddr_in destination{};
    destination.sin_family = AF_INET;
    destination.sin_port = htons(kSinkPort);
    inet_pton(AF_INET, kCaptureAddress, &destination.sin_addr);
    Batch batch(destination);
    const unsigned batchSize =
        rate > 0 ? std::clamp(static_cast<unsigned>(rate / kBatchesPerSecond), 1u, kMaxBatch) : kMaxBatch;

    const double start = WallSeconds();
    while (report.sent < count) {
        const auto size = static_cast<unsigned>(std::min<uint64_t>(batchSize, count - report.sent));
        if (rate > 0) {
            SleepUntil(start + static_cast<double>(report.sent) / rate);
        }
        batch.Fill(report.sent, size, mixed);
        if (!SendAll(fd, batch.Messages(), size, report.failure)) {
            break;
        }
        report.sent += size;
    }
    report.seconds = WallSeconds() - start;
    close(fd);
    return report;
}

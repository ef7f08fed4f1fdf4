// One relayed capture in the program: datagrams from the relay area, and a stop that waits for the
// relay to publish everything that arrived before it.
#include "RelayedCapture.h"

#include "CaptureBounds.h"
#include "EventFd.h"
#include "LinuxErrorText.h"
#include "LinuxLocalClock.h"

#include <cerrno>

#include <poll.h>

namespace {

// How long a stop's reads wait for the relay to finish: within the time the engine gives a stop's
// reads, so that Stop still returns at its first look.
constexpr auto kStopWait = std::chrono::milliseconds(kRelayStopWaitMs);

} // namespace

std::unique_ptr<RelayedCapture> RelayedCapture::Open(const std::string& interfaceName, std::string& failure) {
    OpenedRelay opened = OpenCaptureRelay(interfaceName);
    if (opened.link == nullptr) {
        failure = std::move(opened.descriptors.failure);
        return nullptr;
    }
    std::unique_ptr<RelayReader> reader = RelayReader::Map(opened.descriptors.area, opened.descriptors.freed);
    if (reader == nullptr) {
        failure = SystemFailureText("mmap(relay area) failed: ", errno);
    }
    // Made even without a reader, so that the descriptors are closed and the capture ended.
    std::unique_ptr<RelayedCapture> capture(new RelayedCapture(std::move(opened), std::move(reader)));
    return capture->m_reader != nullptr ? std::move(capture) : nullptr;
}

RelayedCapture::RelayedCapture(OpenedRelay opened, std::unique_ptr<RelayReader> reader)
    : m_area(opened.descriptors.area), m_data(opened.descriptors.data), m_freed(opened.descriptors.freed),
      m_link(std::move(opened.link)), m_reader(std::move(reader)) {}

RelayedCapture::~RelayedCapture() {
    m_reader.reset();
    m_link.reset();
}

// The data eventfd is reset before the last look, so that a block published after that look
// leaves it readable for the next wait. Everything published before the relay said it finished
// is seen by a look after that was read. An error comes after the datagrams before it.
ReceiveResult RelayedCapture::Receive(unsigned char* buffer, uint32_t capacity) {
    for (;;) {
        const bool finished = m_stopping && m_reader->Finished();
        timespec arrival{};
        int32_t length = m_reader->Next(buffer, capacity, arrival);
        if (length < 0) {
            DrainEventFd(m_data.get());
            length = m_reader->Next(buffer, capacity, arrival);
        }
        if (length >= 0) {
            return {length, 0, true, LocalTimeAt(arrival)};
        }
        if (const int error = m_reader->TakeSocketError()) {
            return {-1, error};
        }
        if (!m_stopping || finished || !WaitForRelay()) {
            return {-1, ReceiveResult::kWouldBlock};
        }
    }
}

// False once the stop's wait is over.
bool RelayedCapture::WaitForRelay() const {
    const auto left =
        std::chrono::duration_cast<std::chrono::milliseconds>(m_stopDeadline - std::chrono::steady_clock::now());
    if (left.count() <= 0) {
        return false;
    }
    pollfd polled{m_data.get(), POLLIN, 0};
    return poll(&polled, 1, static_cast<int>(left.count())) > 0;
}

void RelayedCapture::StopArrivals() {
    if (m_stopping) {
        return;
    }
    m_link->RequestStop();
    m_stopping = true;
    m_stopDeadline = std::chrono::steady_clock::now() + kStopWait;
}

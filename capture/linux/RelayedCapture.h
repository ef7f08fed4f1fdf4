// One capture as the program holds it: the relay's area and eventfds, read through a RelayReader;
// the packet socket itself stays with whoever relays.
#pragma once

#include "CaptureRelaySource.h"
#include "CaptureSockets.h"
#include "RelayReader.h"
#include "UniqueFd.h"

#include <chrono>
#include <memory>
#include <string>

class RelayedCapture {
public:
    // The capture of the named interface, or nullptr and the failing step's text.
    static std::unique_ptr<RelayedCapture> Open(const std::string& interfaceName, std::string& failure);
    RelayedCapture(const RelayedCapture&) = delete;
    RelayedCapture& operator=(const RelayedCapture&) = delete;
    // Unmaps the area and ends the capture.
    ~RelayedCapture();

    // What the capture thread waits on: readable when the relay has published something.
    int ReadyFd() const { return m_data.get(); }
    ReceiveResult Receive(unsigned char* buffer, uint32_t capacity);
    void StopArrivals();
    LostCounts TakeLost() { return m_reader->TakeLost(); }

private:
    RelayedCapture(OpenedRelay opened, std::unique_ptr<RelayReader> reader);
    bool WaitForRelay() const;

    UniqueFd m_area;
    UniqueFd m_data;
    UniqueFd m_freed;
    std::unique_ptr<CaptureRelayLink> m_link;
    std::unique_ptr<RelayReader> m_reader;
    bool m_stopping = false;
    std::chrono::steady_clock::time_point m_stopDeadline;
};

// The main window over the scripted capture backend, filled with chosen datagrams by a real start
// and stop, with helpers to read the packet list and to act inside a running modal dialog.
#pragma once

#include "UiTestSupport.h"

#include "FakeCaptureSystem.h"
#include "resource.h"

#include <array>
#include <cstdint>
#include <functional>
#include <string>
#include <vector>

using Address = std::array<unsigned char, 4>;

// A UDP datagram of size bytes (at least 24) whose ports are sourcePort and destinationPort; the
// bytes after the ports follow a pattern.
std::vector<unsigned char> Datagram(const Address& source, const Address& destination, uint16_t sourcePort,
                                    uint16_t destinationPort, uint32_t size = 28);

// Runs action once the messages already queued for the thread have been handled, from whatever
// loop is pumping by then (for example a dialog that stays open after a message box closed).
void RunLater(std::function<void()> action);

class PacketListTest : public MainWindowTest {
protected:
    void SetUp() override;

    // Starts capture, lets the engine store every datagram and stops capture again.
    void Capture(const std::vector<std::vector<unsigned char>>& datagrams);
    void ListPackets() { Click(IDC_LIST_BUTTON); }
    // Enters both limits in the real settings dialog and confirms them.
    void SetStorageLimits(const char* packetBytes, const char* totalMB);
    // Runs the filter command, answering its dialog with script.
    void Filter(const std::function<void(HWND dialog)>& script);
    void FilterOn(const Address& address);
    // Selects the row at position (or none for -1) and sends the list's double-click notification.
    void DoubleClick(int position);

    int RowCount() const;
    std::vector<std::string> Rows() const;
    std::vector<LRESULT> RowData() const;

    // The source port a row shows; the tests put each packet's store index there.
    static int SourcePortOf(const std::string& row);

    FakeCaptureSystem m_fake;
};

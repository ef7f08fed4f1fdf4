// PacketListTest and its helpers.
#include "PacketListFixture.h"

#include "DialogWatcher.h"
#include "resource.h"

#include <commctrl.h>

#include <cstdlib>
#include <deque>

namespace {

constexpr UINT kRunAction = WM_APP + 1;

std::deque<std::function<void()>>& PendingActions() {
    static std::deque<std::function<void()>> actions;
    return actions;
}

LRESULT CALLBACK ActionWindowProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
    if (message != kRunAction || PendingActions().empty())
        return ::DefWindowProcA(window, message, wParam, lParam);
    std::function<void()> action = std::move(PendingActions().front());
    PendingActions().pop_front();
    action();
    return 0;
}

HWND ActionWindow() {
    static HWND window = [] {
        WNDCLASSA windowClass = {};
        windowClass.lpfnWndProc = ActionWindowProc;
        windowClass.hInstance = ::GetModuleHandleA(nullptr);
        windowClass.lpszClassName = "SorvaneTestActions";
        ::RegisterClassA(&windowClass);
        return ::CreateWindowA("SorvaneTestActions", "", 0, 0, 0, 0, 0, HWND_MESSAGE, nullptr, nullptr, nullptr);
    }();
    return window;
}

} // namespace

std::vector<unsigned char> Datagram(const Address& source, const Address& destination, uint16_t sourcePort,
                                    uint16_t destinationPort, uint32_t size) {
    std::vector<unsigned char> bytes(size < 24 ? 24 : size);
    for (size_t i = 0; i < bytes.size(); ++i)
        bytes[i] = static_cast<unsigned char>(i * 7 + 3);
    bytes[0] = 0x45;
    bytes[9] = 17;
    for (int i = 0; i < 4; ++i) {
        bytes[12 + i] = source[i];
        bytes[16 + i] = destination[i];
    }
    bytes[20] = static_cast<unsigned char>(sourcePort >> 8);
    bytes[21] = static_cast<unsigned char>(sourcePort);
    bytes[22] = static_cast<unsigned char>(destinationPort >> 8);
    bytes[23] = static_cast<unsigned char>(destinationPort);
    return bytes;
}

void RunLater(std::function<void()> action) {
    PendingActions().push_back(std::move(action));
    ::PostMessageA(ActionWindow(), kRunAction, 0, 0);
}

void PacketListTest::SetUp() {
    m_fake.SetAddressQuery({{0x0100007Fu}, ""});
    Open(m_fake);
}

void PacketListTest::Capture(const std::vector<std::vector<unsigned char>>& datagrams) {
    Click(IDC_START_STOP);
    for (const std::vector<unsigned char>& datagram : datagrams)
        m_fake.QueueDatagram(datagram);
    ASSERT_TRUE(m_fake.WaitUntilQueueEmpty(std::chrono::seconds(120)));
    // Stop returns once the capture thread has stored what it received.
    Click(IDC_START_STOP);
    PumpMessages(m_hWnd);
}

void PacketListTest::SetStorageLimits(const char* packetBytes, const char* totalMB) {
    bool answered = false;
    DialogWatcher watcher([&](HWND dialog) {
        if (::GetDlgItem(dialog, IDC_PACKET_BYTES) == nullptr)
            return;
        ::SetDlgItemTextA(dialog, IDC_PACKET_BYTES, packetBytes);
        ::SetDlgItemTextA(dialog, IDC_TOTAL_MB, totalMB);
        ::PostMessageA(dialog, WM_COMMAND, MAKEWPARAM(IDOK, BN_CLICKED), 0);
        answered = true;
    });
    SendCommand(ID_SETTINGS_STORAGE, 0);
    ASSERT_TRUE(answered);
}

void PacketListTest::Filter(const std::function<void(HWND dialog)>& script) {
    bool answered = false;
    DialogWatcher watcher([&](HWND dialog) {
        if (::GetDlgItem(dialog, IDC_FILTER_ADDRESS) == nullptr)
            return;
        script(dialog);
        answered = true;
    });
    Click(IDC_FILTER_BUTTON);
    ASSERT_TRUE(answered);
}

void PacketListTest::FilterOn(const Address& address) {
    Filter([&](HWND dialog) {
        const LPARAM packed = MAKEIPADDRESS(address[0], address[1], address[2], address[3]);
        ::SendDlgItemMessageA(dialog, IDC_FILTER_ADDRESS, IPM_SETADDRESS, 0, packed);
        ::PostMessageA(dialog, WM_COMMAND, MAKEWPARAM(IDOK, BN_CLICKED), 0);
    });
}

void PacketListTest::DoubleClick(int position) {
    ::SendDlgItemMessageA(m_hWnd, IDC_PACKET_LIST, LB_SETCURSEL, static_cast<WPARAM>(position), 0);
    SendCommand(IDC_PACKET_LIST, LBN_DBLCLK);
}

int PacketListTest::RowCount() const {
    return static_cast<int>(::SendDlgItemMessageA(m_hWnd, IDC_PACKET_LIST, LB_GETCOUNT, 0, 0));
}

std::vector<std::string> PacketListTest::Rows() const {
    std::vector<std::string> rows;
    const int count = RowCount();
    for (int i = 0; i < count; ++i) {
        const auto length = ::SendDlgItemMessageA(m_hWnd, IDC_PACKET_LIST, LB_GETTEXTLEN, i, 0);
        std::string row(static_cast<size_t>(length) + 1, '\0');
        ::SendDlgItemMessageA(m_hWnd, IDC_PACKET_LIST, LB_GETTEXT, i, reinterpret_cast<LPARAM>(&row[0]));
        row.resize(static_cast<size_t>(length));
        rows.push_back(row);
    }
    return rows;
}

std::vector<LRESULT> PacketListTest::RowData() const {
    std::vector<LRESULT> data;
    const int count = RowCount();
    for (int i = 0; i < count; ++i)
        data.push_back(::SendDlgItemMessageA(m_hWnd, IDC_PACKET_LIST, LB_GETITEMDATA, i, 0));
    return data;
}

int PacketListTest::SourcePortOf(const std::string& row) {
    constexpr size_t kSourcePortColumn = 72;
    return row.size() < kSourcePortColumn + 5 ? -1 : std::atoi(row.substr(kSourcePortColumn, 5).c_str());
}

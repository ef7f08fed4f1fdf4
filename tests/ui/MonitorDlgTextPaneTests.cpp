// The detail text of the largest datagram shown whole in the text pane, even by a pane that cuts
// replacements at its limit as the platform's rich edit does.
#include "PacketListFixture.h"

#include "PacketDetail.h"

#include <windows.h>

#include <richedit.h>

#include <algorithm>
#include <string>
#include <vector>

namespace {

// Wine's rich edit takes any replacement whole and raises its own limit, while the platform's cuts
// a replacement at the limit. This makes the pane behave as the platform's does while it lives.
class PaneTextLimit {
public:
    explicit PaneTextLimit(HWND pane) : m_hPane(pane) {
        s_original = reinterpret_cast<WNDPROC>(
            ::SetWindowLongPtrA(pane, GWLP_WNDPROC, reinterpret_cast<LONG_PTR>(&PaneTextLimit::Proc)));
    }
    ~PaneTextLimit() { ::SetWindowLongPtrA(m_hPane, GWLP_WNDPROC, reinterpret_cast<LONG_PTR>(s_original)); }

private:
    static LRESULT CALLBACK Proc(HWND pane, UINT message, WPARAM wParam, LPARAM lParam) {
        if (message != EM_REPLACESEL)
            return ::CallWindowProcA(s_original, pane, message, wParam, lParam);
        const auto limit = static_cast<size_t>(::CallWindowProcA(s_original, pane, EM_GETLIMITTEXT, 0, 0));
        const auto length = static_cast<size_t>(::CallWindowProcA(s_original, pane, WM_GETTEXTLENGTH, 0, 0));
        CHARRANGE selection = {0, 0};
        ::CallWindowProcA(s_original, pane, EM_EXGETSEL, 0, reinterpret_cast<LPARAM>(&selection));
        // The selection may reach past the end, over the final paragraph mark.
        const size_t selected = std::min<size_t>(selection.cpMax, length) - std::min<size_t>(selection.cpMin, length);
        const size_t kept = length - selected;
        std::string text = reinterpret_cast<const char*>(lParam);
        text.resize(std::min(text.size(), limit > kept ? limit - kept : 0));
        return ::CallWindowProcA(s_original, pane, message, wParam, reinterpret_cast<LPARAM>(text.c_str()));
    }

    static WNDPROC s_original;
    HWND m_hPane;
};

WNDPROC PaneTextLimit::s_original = nullptr;

using LargeDetailTest = PacketListTest;

// Some 300 KB of text, far beyond what the pane takes by default.
TEST_F(LargeDetailTest, TheDetailOfAPacketOf65535BytesIsShownWhole) {
    const std::vector<unsigned char> datagram = Datagram({10, 0, 0, 1}, {10, 0, 0, 2}, 7, 9, 65535);
    SetStorageLimits("65535", "16");
    Capture({datagram});
    ListPackets();
    const PaneTextLimit platformLimit(::GetDlgItem(m_hWnd, IDC_TEXT_PANE));
    DoubleClick(0);
    const std::string expected = Rows()[0].substr(0, 12) + " " + FormatPacketDetail(datagram.data(), 65535);
    const std::string shown = Text(IDC_TEXT_PANE);
    EXPECT_EQ(shown.size(), expected.size());
    EXPECT_TRUE(shown == expected);
}

} // namespace

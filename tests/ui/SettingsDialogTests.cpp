// The storage settings dialog with its integer rule, the stop-first refusal, the limits reaching the
// next start, the About box and the progress window's keys, through the real templates.
#include "PacketListFixture.h"

#include "DialogWatcher.h"
#include "PacketDetail.h"
#include "ProgressDlg.h"

#include <windows.h>

#include <richedit.h>

#include <algorithm>
#include <cstdint>
#include <string>
#include <vector>

namespace {

// What the settings dialog showed and what became of OK.
struct SettingsVisit {
    HWND settings = nullptr;
    std::string shownPacketBytes;
    std::string shownTotalMB;
    std::vector<SeenDialog> messages;
    int focusId = 0;
    DWORD selectionStart = 0;
    DWORD selectionEnd = 0;
    int focusTextLength = -1;
    bool iconShown = false;
};

// The static that carries a message box's text.
constexpr int kMessageBoxTextId = 0xFFFF;

// Whether a message box shows an icon, read from the styles: a box may be activated before it is
// shown, when no child of it counts as visible yet.
bool ShowsIcon(HWND box) {
    for (HWND child = ::GetWindow(box, GW_CHILD); child != nullptr; child = ::GetWindow(child, GW_HWNDNEXT)) {
        const LONG style = ::GetWindowLongA(child, GWL_STYLE);
        if ((style & SS_TYPEMASK) == SS_ICON && (style & WS_VISIBLE) != 0 &&
            ::SendMessageA(child, STM_GETICON, 0, 0) != 0)
            return true;
    }
    return false;
}

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

class SettingsTest : public PacketListTest {
protected:
    // Opens the settings, shows what it showed, enters both texts (unless null) and presses OK;
    // when a message box refuses the entry, notes the focus and its selection, then cancels.
    SettingsVisit Visit(const char* packetBytes, const char* totalMB, int button = IDOK) {
        SettingsVisit visit;
        DialogWatcher watcher([&](HWND dialog) {
            if (::GetDlgItem(dialog, IDC_PACKET_BYTES) != nullptr) {
                visit.settings = dialog;
                visit.shownPacketBytes = ControlText(dialog, IDC_PACKET_BYTES);
                visit.shownTotalMB = ControlText(dialog, IDC_TOTAL_MB);
                if (packetBytes != nullptr)
                    ::SetDlgItemTextA(dialog, IDC_PACKET_BYTES, packetBytes);
                if (totalMB != nullptr)
                    ::SetDlgItemTextA(dialog, IDC_TOTAL_MB, totalMB);
                Press(dialog, button);
                return;
            }
            if (::GetDlgItem(dialog, kMessageBoxTextId) == nullptr)
                return;
            visit.messages.push_back(watcher.Seen().back());
            visit.iconShown = ShowsIcon(dialog);
            Press(dialog, IDOK);
            if (visit.settings == nullptr)
                return;
            RunLater([&visit] {
                HWND focus = ::GetFocus();
                visit.focusId = ::GetDlgCtrlID(focus);
                ::SendMessageA(focus, EM_GETSEL, reinterpret_cast<WPARAM>(&visit.selectionStart),
                               reinterpret_cast<LPARAM>(&visit.selectionEnd));
                visit.focusTextLength = ::GetWindowTextLengthA(focus);
                Press(visit.settings, IDCANCEL);
            });
        });
        SendCommand(ID_SETTINGS_STORAGE, 0);
        return visit;
    }

    // The limits the window holds, as the settings dialog shows them.
    std::pair<std::string, std::string> Limits() {
        const SettingsVisit visit = Visit(nullptr, nullptr, IDCANCEL);
        return {visit.shownPacketBytes, visit.shownTotalMB};
    }

    static void Press(HWND dialog, int id) { ::PostMessageA(dialog, WM_COMMAND, MAKEWPARAM(id, BN_CLICKED), 0); }
};

TEST_F(SettingsTest, OpensWithTheDefaultsAndCancelKeepsThem) {
    const SettingsVisit visit = Visit("1500", "2", IDCANCEL);
    EXPECT_EQ(visit.shownPacketBytes, "100");
    EXPECT_EQ(visit.shownTotalMB, "16");
    EXPECT_TRUE(visit.messages.empty());
    EXPECT_EQ(Limits(), std::make_pair(std::string("100"), std::string("16")));
}

struct IntegerCase {
    const char* packetBytes;
    const char* totalMB;
    int refusedId; // 0 when OK is accepted
    const char* storedPacketBytes;
    const char* storedTotalMB;
};

TEST_F(SettingsTest, OkReadsBothEditsByTheIntegerRuleAndRefusesTheFirstInvalidOne) {
    const IntegerCase cases[] = {
        {"", "16", IDC_PACKET_BYTES, nullptr, nullptr},
        {"+0", "16", IDC_PACKET_BYTES, nullptr, nullptr},
        {"-0", "16", IDC_PACKET_BYTES, nullptr, nullptr},
        {"1x", "16", IDC_PACKET_BYTES, nullptr, nullptr},
        // The valid first edit must not slip through when the second one refuses OK.
        {"77", "  ", IDC_TOTAL_MB, nullptr, nullptr},
        {"1x", "1x", IDC_PACKET_BYTES, nullptr, nullptr},
        {" 12 ", "\t7", 0, "12", "7"},
        {"00", "-5", 0, "0", "-5"},
        {"2147483648", "-2147483649", 0, "2147483647", "-2147483648"},
        // Only the first 31 characters count: 31 zeros, then digits that are never read.
        {"0000000000000000000000000000000123456789", "16", 0, "0", "16"},
        {"1234567890123456789012345678901234567890", "16", 0, "2147483647", "16"},
    };
    std::pair<std::string, std::string> limits = {"100", "16"};
    for (const IntegerCase& c : cases) {
        SCOPED_TRACE(std::string("\"") + c.packetBytes + "\", \"" + c.totalMB + "\"");
        const SettingsVisit visit = Visit(c.packetBytes, c.totalMB);
        EXPECT_EQ(visit.shownPacketBytes, limits.first);
        EXPECT_EQ(visit.shownTotalMB, limits.second);
        if (c.refusedId == 0) {
            EXPECT_TRUE(visit.messages.empty());
            limits = {c.storedPacketBytes, c.storedTotalMB};
        } else {
            ASSERT_EQ(visit.messages.size(), 1u);
            const SeenDialog& message = visit.messages[0];
            EXPECT_EQ(message.text, "整数を入力してください。");
            EXPECT_EQ(message.caption, ApplicationName());
            EXPECT_TRUE(visit.iconShown);
            EXPECT_EQ(message.owner, visit.settings);
            EXPECT_EQ(visit.focusId, c.refusedId);
            EXPECT_EQ(visit.selectionStart, 0u);
            EXPECT_EQ(static_cast<int>(visit.selectionEnd), visit.focusTextLength);
        }
        EXPECT_EQ(Limits(), limits);
    }
}

TEST_F(SettingsTest, WhileCapturingOnlyTheStopFirstMessageIsShown) {
    Click(IDC_START_STOP);
    const SettingsVisit visit = Visit("1500", "2");
    EXPECT_EQ(visit.settings, nullptr);
    ASSERT_EQ(visit.messages.size(), 1u);
    EXPECT_EQ(visit.messages[0].text, "一旦、停止してから操作してください");
    EXPECT_EQ(visit.messages[0].caption, ApplicationName());
    EXPECT_EQ(visit.messages[0].owner, m_hWnd);
    EXPECT_FALSE(visit.iconShown);
    Click(IDC_START_STOP);
    EXPECT_EQ(Limits(), std::make_pair(std::string("100"), std::string("16")));
}

TEST_F(SettingsTest, NewLimitsReachTheNextStart) {
    const std::vector<unsigned char> datagram = Datagram({10, 0, 0, 1}, {10, 0, 0, 2}, 7, 9, 2000);
    SetStorageLimits("1500", "16");
    Capture({datagram});
    ListPackets();
    DoubleClick(0);
    EXPECT_EQ(Text(IDC_TEXT_PANE), Rows()[0].substr(0, 12) + " " + FormatPacketDetail(datagram.data(), 1500));
}

// Some 300 KB of text, far beyond what the pane takes by default.
TEST_F(SettingsTest, TheDetailOfAPacketOf65535BytesIsShownWhole) {
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

TEST_F(SettingsTest, AboutOpensOverTheMainWindowAndOkClosesIt) {
    bool versionShown = false;
    std::string caption;
    HWND about = nullptr;
    DialogWatcher watcher([&](HWND dialog) {
        if (dialog == m_hWnd)
            return;
        about = dialog;
        char text[64] = {};
        ::GetWindowTextA(dialog, text, sizeof(text));
        caption = text;
        versionShown = ::FindWindowExA(dialog, nullptr, "Static", "Sorvane Version 1.0") != nullptr;
        Press(dialog, IDOK);
    });
    SendCommand(IDM_ABOUTBOX, 0);
    ASSERT_NE(about, nullptr);
    EXPECT_FALSE(::IsWindow(about));
    EXPECT_EQ(watcher.Seen()[0].window, about);
    EXPECT_EQ(watcher.Seen()[0].owner, m_hWnd);
    EXPECT_EQ(caption, "Sorvaneのﾊﾞｰｼﾞｮﾝ情報");
    EXPECT_TRUE(versionShown);
}

TEST_F(SettingsTest, EnterAndEscapeNeverCloseTheProgressWindow) {
    CProgressDlg progress;
    ASSERT_TRUE(progress.Create(IDD_PROGRESS, m_dialog.get()));
    HWND window = progress.GetSafeHwnd();
    ::SetFocus(window);
    PressKey(window, VK_RETURN);
    PressKey(window, VK_ESCAPE);
    ::SendMessageA(window, WM_COMMAND, MAKEWPARAM(IDOK, BN_CLICKED), 0);
    ::SendMessageA(window, WM_COMMAND, MAKEWPARAM(IDCANCEL, BN_CLICKED), 0);
    EXPECT_TRUE(::IsWindowVisible(window));
    EXPECT_EQ(progress.ModalResult(), -1);
    EXPECT_TRUE(progress.DestroyWindow());
}

} // namespace

// The storage settings dialog with its integer rule, the stop-first refusal and the limits reaching
// the next start, through the real template.
#include "PacketListFixture.h"

#include "CaptureState.h"
#include "DialogWatcher.h"
#include "PacketDetail.h"

#include <windows.h>

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
            if (::GetDlgItem(dialog, IDC_MESSAGE_BOX_TEXT) == nullptr)
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

// Sixteen datagrams of 65,535 bytes fill 1 MiB but for 16 bytes; the seventeenth, still held by
// the backend when stop is pressed, fills the store during the stop. Its notice arrives once the
// button reads start again: no message box then, a line in the pane instead.
TEST_F(SettingsTest, AStoreThatFillsWhileCaptureStopsIsToldInThePaneNotByAMessageBox) {
    SetStorageLimits("65535", "1");
    Click(IDC_START_STOP);
    for (int i = 0; i < 17; ++i)
        m_fake.QueueHeldDatagramOfSize(65535, static_cast<unsigned char>(i));
    DialogWatcher watcher;
    Click(IDC_START_STOP);
    PumpMessages(m_hWnd);

    EXPECT_TRUE(watcher.Seen().empty());
    EXPECT_EQ(Text(IDC_START_STOP), kCaptureOffText);
    EXPECT_EQ(Text(IDC_PACKET_COUNT), "16");
    EXPECT_EQ(Text(IDC_TEXT_PANE),
              "The storage limit was reached as the capture stopped: later packets were not stored\n");
}

TEST_F(SettingsTest, NewLimitsReachTheNextStart) {
    const std::vector<unsigned char> datagram = Datagram({10, 0, 0, 1}, {10, 0, 0, 2}, 7, 9, 2000);
    SetStorageLimits("1500", "16");
    Capture({datagram});
    ListPackets();
    DoubleClick(0);
    EXPECT_EQ(Text(IDC_TEXT_PANE), Rows()[0].substr(0, 12) + " " + FormatPacketDetail(datagram.data(), 1500));
}

} // namespace

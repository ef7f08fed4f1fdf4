// The benchmark's steps over the program's windows, with the window lookups of the end-to-end driver.
#include "ProgramSteps.h"

#include "ControlMessages.h"
#include "ProgramWindows.h"
#include "SecondsNow.h"

#include "resource.h"

#include <commctrl.h>

#include <cstdio>
#include <utility>

namespace {

constexpr DWORD kDialogWaitMs = 10000;
// A command on a full store runs for seconds under Wine; wait far longer than that.
constexpr UINT kCommandTimeoutMs = 600000;
// Far shorter than the fastest counter update (the engine's packet notice interval).
constexpr DWORD kCounterPollMs = 5;
// Far longer than a list row, which has a fixed width.
constexpr size_t kRowBufferChars = 1024;

const WideString kSettingsCaption = u"ﾊﾟｹｯﾄの最大格納ｻｲｽﾞ";
const WideString kFilterCaption = u"絞込";
const WideString kCapturing = u"停止";

int Fail(const char* reason) {
    std::fprintf(stderr, "bench: %s\n", reason);
    return 1;
}

HWND WaitForDialog(HWND main, const WideString& caption, DWORD timeoutMs) {
    return WaitForWindow([&] { return FindOwnedDialog(main, caption); }, timeoutMs);
}

bool WaitDialogGone(HWND main, const WideString& caption) {
    const DWORD start = GetTickCount();
    while (FindOwnedDialog(main, caption) != nullptr) {
        if (GetTickCount() - start >= kDialogWaitMs)
            return false;
        Sleep(20);
    }
    return true;
}

bool Click(HWND dialog, int id) {
    HWND button = GetDlgItem(dialog, id);
    DWORD_PTR answer = 0;
    return button != nullptr &&
           SendMessageTimeoutW(button, BM_CLICK, 0, 0, SMTO_NORMAL, kCommandTimeoutMs, &answer) != 0;
}

bool PostClick(HWND dialog, int id) {
    HWND button = GetDlgItem(dialog, id);
    return button != nullptr && PostMessageW(button, BM_CLICK, 0, 0);
}

LRESULT RowCount(HWND main) {
    LRESULT count = -1;
    SendAndWait(GetDlgItem(main, IDC_PACKET_LIST), LB_GETCOUNT, 0, 0, &count);
    return count;
}

bool SetTotalMB(HWND main, const WideString& totalMB) {
    PostMessageW(main, WM_COMMAND, ID_SETTINGS_STORAGE, 0);
    HWND dialog = WaitForDialog(main, kSettingsCaption, kDialogWaitMs);
    return dialog != nullptr && WriteText(GetDlgItem(dialog, IDC_TOTAL_MB), totalMB) && PostClick(dialog, IDOK) &&
           WaitDialogGone(main, kSettingsCaption);
}

bool SelectInterface(HWND main, const WideString& address) {
    HWND combo = GetDlgItem(main, IDC_INTERFACE);
    const std::vector<WideString> items = ComboItems(combo);
    for (size_t i = 0; i < items.size(); ++i) {
        if (items[i].find(u"( " + address + u" )") != WideString::npos)
            return SendAndWait(combo, CB_SETCURSEL, i, 0);
    }
    return false;
}

bool ParseAddress(const WideString& dotted, LPARAM& address) {
    unsigned b[4] = {};
    if (std::sscanf(Utf8FromWide(dotted).c_str(), "%u.%u.%u.%u", &b[0], &b[1], &b[2], &b[3]) != 4)
        return false;
    address = static_cast<LPARAM>(MAKEIPADDRESS(b[0], b[1], b[2], b[3]));
    return true;
}

} // namespace

int PrepareCapture(const WideString& totalMB, const WideString& address) {
    HWND main = WaitForWindow(FindMainWindow, 60000);
    if (main == nullptr)
        return Fail("the main window did not appear");
    if (!SetTotalMB(main, totalMB))
        return Fail("could not set the total storage limit");
    if (!SelectInterface(main, address))
        return Fail("no interface entry holds the address");
    if (!Click(main, IDC_START_STOP) || ReadText(GetDlgItem(main, IDC_START_STOP)) != kCapturing)
        return Fail("capture did not start");
    return 0;
}

int StopWhenFull(double seconds, const WideString& programName) {
    HWND main = FindMainWindow();
    HWND box = main ? WaitForDialog(main, programName, static_cast<DWORD>(seconds * 1000)) : nullptr;
    if (box == nullptr)
        return Fail("no storage-full message box");
    PrintLine(u"message=" + ReadText(GetDlgItem(box, IDC_MESSAGE_BOX_TEXT)));
    if (!PostClick(box, IDOK) || !WaitDialogGone(main, programName))
        return Fail("the message box did not close");
    if (!Click(main, IDC_START_STOP))
        return Fail("capture did not stop");
    PrintLine(u"counter=" + ReadText(GetDlgItem(main, IDC_PACKET_COUNT)));
    return 0;
}

int StopCapture() {
    HWND main = FindMainWindow();
    if (main == nullptr)
        return Fail("the main window is not there");
    if (!Click(main, IDC_START_STOP) || ReadText(GetDlgItem(main, IDC_START_STOP)) == kCapturing)
        return Fail("capture did not stop");
    PrintLine(u"counter=" + ReadText(GetDlgItem(main, IDC_PACKET_COUNT)));
    return 0;
}

int TimeListCommand() {
    HWND main = FindMainWindow();
    if (main == nullptr)
        return Fail("the main window is not there");
    const double start = SecondsNow();
    if (!Click(main, IDC_LIST_BUTTON))
        return Fail("the list command did not answer");
    const double seconds = SecondsNow() - start;
    std::printf("seconds=%.3f rows=%ld\n", seconds, static_cast<long>(RowCount(main)));
    return 0;
}

int TimeFilterCommand(const WideString& dotted) {
    HWND main = FindMainWindow();
    LPARAM address = 0;
    if (main == nullptr || !ParseAddress(dotted, address))
        return Fail("no main window, or the address is not dotted decimal");
    const LRESULT before = RowCount(main);
    PostClick(main, IDC_FILTER_BUTTON);
    HWND dialog = WaitForDialog(main, kFilterCaption, kDialogWaitMs);
    if (dialog == nullptr || !SendAndWait(GetDlgItem(dialog, IDC_FILTER_ADDRESS), IPM_SETADDRESS, 0, address))
        return Fail("the filter dialog did not take the address");
    const double start = SecondsNow();
    PostClick(dialog, IDOK);
    // The rows go in one run of deletions without a message loop, so the first count that differs
    // is the final one.
    LRESULT after = before;
    while (after == before && SecondsNow() - start < kCommandTimeoutMs / 1000.0) {
        Sleep(1);
        after = RowCount(main);
    }
    const double seconds = SecondsNow() - start;
    std::printf("seconds=%.3f rows_before=%ld rows_after=%ld\n", seconds, static_cast<long>(before),
                static_cast<long>(after));
    return after == before ? Fail("the filter removed no row") : 0;
}

int PrintListedRows() {
    HWND main = FindMainWindow();
    if (main == nullptr)
        return Fail("the main window is not there");
    if (!Click(main, IDC_LIST_BUTTON))
        return Fail("the list command did not answer");
    HWND list = GetDlgItem(main, IDC_PACKET_LIST);
    LRESULT count = 0;
    if (!SendAndWait(list, LB_GETCOUNT, 0, 0, &count))
        return Fail("the list did not answer");
    // One message per row rather than a length and a text: each crosses to the program and back.
    WideString row(kRowBufferChars, u'\0');
    for (LRESULT i = 0; i < count; ++i) {
        LRESULT copied = 0;
        if (!SendAndWait(list, LB_GETTEXT, static_cast<WPARAM>(i), reinterpret_cast<LPARAM>(AsWin(row)), &copied) ||
            copied < 0 || copied >= static_cast<LRESULT>(kRowBufferChars))
            return Fail("a row could not be read");
        PrintLine(row.substr(0, static_cast<size_t>(copied)));
    }
    return 0;
}

int WatchCounter(double seconds) {
    HWND main = FindMainWindow();
    HWND counter = main ? GetDlgItem(main, IDC_PACKET_COUNT) : nullptr;
    if (counter == nullptr)
        return Fail("the main window or its counter is not there");
    WideString last = ReadText(counter);
    std::printf("watching\n");
    std::fflush(stdout);
    for (const double start = SecondsNow(); SecondsNow() - start < seconds; Sleep(kCounterPollMs)) {
        WideString text = ReadText(counter);
        if (text != last) {
            std::printf("time=%.4f counter=%s\n", UnixSecondsNow(), Utf8FromWide(text).c_str());
            last = std::move(text);
        }
    }
    std::fflush(stdout);
    return 0;
}

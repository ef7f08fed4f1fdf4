// Command table of the window driver and the commands themselves.
#include "DriverCommands.h"

#include "ControlIds.h"
#include "ControlMessages.h"
#include "ProgramWindows.h"

#include <commctrl.h>

#include <cstdio>
#include <cstdlib>

namespace {

using Arguments = std::vector<WideString>;

int Fail(const char* reason) {
    fprintf(stderr, "driver: %s\n", reason);
    return 1;
}

long Number(const WideString& text) {
    return strtol(Utf8FromWide(text).c_str(), nullptr, 0);
}
DWORD Milliseconds(const WideString& seconds) {
    return static_cast<DWORD>(strtod(Utf8FromWide(seconds).c_str(), nullptr) * 1000);
}

// An id named as in resource.h; nullptr, with the reason on standard error, for a name it lacks.
HWND Control(HWND dialog, const WideString& name) {
    int id = 0;
    if (!ControlIdByName(name, id)) {
        fprintf(stderr, "driver: %s names no id of resource.h\n", Utf8FromWide(name).c_str());
        return nullptr;
    }
    return GetDlgItem(dialog, id);
}

int PrintControlText(HWND dialog, const WideString& id) {
    HWND control = Control(dialog, id);
    if (control == nullptr)
        return Fail("no such control");
    PrintLine(ReadText(control));
    return 0;
}

int PrintItems(const std::vector<WideString>& items) {
    for (const WideString& item : items)
        PrintLine(item);
    return 0;
}

int WaitMain(HWND, const Arguments& a) {
    return WaitForWindow(FindMainWindow, Milliseconds(a[0])) ? 0 : Fail("the main window did not appear");
}

int WaitGone(HWND, const Arguments& a) {
    DWORD start = GetTickCount();
    while (FindMainWindow() != nullptr) {
        if (GetTickCount() - start >= Milliseconds(a[0]))
            return Fail("the main window is still there");
        Sleep(100);
    }
    return 0;
}

int Text(HWND main, const Arguments& a) {
    return PrintControlText(main, a[0]);
}

int Enabled(HWND main, const Arguments& a) {
    HWND control = Control(main, a[0]);
    if (control == nullptr)
        return Fail("no such control");
    PrintLine(IsWindowEnabled(control) ? u"1" : u"0");
    return 0;
}

int Click(HWND main, const Arguments& a) {
    HWND control = Control(main, a[0]);
    return control && SendAndWait(control, BM_CLICK, 0, 0) ? 0 : Fail("the button did not answer");
}

int ClickAsync(HWND main, const Arguments& a) {
    HWND control = Control(main, a[0]);
    return control && PostMessageW(control, BM_CLICK, 0, 0) ? 0 : Fail("could not post the click");
}

int Menu(HWND main, const Arguments& a) {
    int command = 0;
    if (!ControlIdByName(a[0], command))
        return Fail("no menu command of resource.h has that name");
    return PostMessageW(main, WM_COMMAND, MAKEWPARAM(command, 0), 0) ? 0 : Fail("could not post the command");
}

int ComboItemsCommand(HWND main, const Arguments& a) {
    return PrintItems(ComboItems(Control(main, a[0])));
}

int ComboSelection(HWND main, const Arguments& a) {
    LRESULT selected = CB_ERR;
    if (!SendAndWait(Control(main, a[0]), CB_GETCURSEL, 0, 0, &selected))
        return Fail("the combo box did not answer");
    PrintLine(WideFromUtf8(std::to_string(selected)));
    return 0;
}

int ComboSelect(HWND main, const Arguments& a) {
    HWND combo = Control(main, a[0]);
    std::vector<WideString> items = ComboItems(combo);
    for (size_t i = 0; i < items.size(); ++i) {
        if (items[i].find(a[1]) != WideString::npos)
            return SendAndWait(combo, CB_SETCURSEL, i, 0) ? 0 : 1;
    }
    return Fail("no combo box item holds that text");
}

int ListItemsCommand(HWND main, const Arguments& a) {
    return PrintItems(ListItems(Control(main, a[0])));
}

int ListDoubleClick(HWND main, const Arguments& a) {
    HWND list = Control(main, a[0]);
    if (list == nullptr)
        return Fail("no such control");
    LRESULT selected = LB_ERR;
    if (!SendAndWait(list, LB_SETCURSEL, static_cast<WPARAM>(Number(a[1])), 0, &selected) || selected == LB_ERR)
        return Fail("the list did not select the row");
    WPARAM notification = MAKEWPARAM(GetDlgCtrlID(list), LBN_DBLCLK);
    if (!SendAndWait(main, WM_COMMAND, notification, reinterpret_cast<LPARAM>(list)))
        return Fail("the window did not answer the double-click");
    return 0;
}

int WaitText(HWND main, const Arguments& a) {
    HWND control = Control(main, a[0]);
    if (control == nullptr)
        return Fail("no such control");
    DWORD start = GetTickCount();
    WideString text;
    while ((text = ReadText(control)) != a[1]) {
        if (GetTickCount() - start >= Milliseconds(a[2])) {
            PrintLine(text);
            return Fail("the text did not change to the expected one");
        }
        Sleep(100);
    }
    PrintLine(text);
    return 0;
}

int DialogWait(HWND main, const Arguments& a) {
    auto find = [&] { return FindOwnedDialog(main, a[0]); };
    return WaitForWindow(find, Milliseconds(a[1])) ? 0 : Fail("the dialog did not appear");
}

int DialogGone(HWND main, const Arguments& a) {
    DWORD start = GetTickCount();
    while (FindOwnedDialog(main, a[0]) != nullptr) {
        if (GetTickCount() - start >= Milliseconds(a[1]))
            return Fail("the dialog is still open");
        Sleep(100);
    }
    return 0;
}

int DialogText(HWND main, const Arguments& a) {
    HWND dialog = FindOwnedDialog(main, a[0]);
    return dialog ? PrintControlText(dialog, a[1]) : Fail("no such dialog");
}

int DialogSetText(HWND main, const Arguments& a) {
    HWND dialog = FindOwnedDialog(main, a[0]);
    HWND control = dialog ? Control(dialog, a[1]) : nullptr;
    return control && WriteText(control, a[2]) ? 0 : Fail("could not set the text");
}

int DialogClick(HWND main, const Arguments& a) {
    HWND dialog = FindOwnedDialog(main, a[0]);
    HWND control = dialog ? Control(dialog, a[1]) : nullptr;
    return control && PostMessageW(control, BM_CLICK, 0, 0) ? 0 : Fail("could not click the button");
}

int DialogAddress(HWND main, const Arguments& a) {
    HWND dialog = FindOwnedDialog(main, a[0]);
    HWND control = dialog ? Control(dialog, a[1]) : nullptr;
    unsigned b[4] = {};
    if (sscanf(Utf8FromWide(a[2]).c_str(), "%u.%u.%u.%u", &b[0], &b[1], &b[2], &b[3]) != 4)
        return Fail("the address is not dotted decimal");
    LPARAM address = static_cast<LPARAM>(MAKEIPADDRESS(b[0], b[1], b[2], b[3]));
    return control && SendAndWait(control, IPM_SETADDRESS, 0, address) ? 0 : Fail("could not set the address");
}

int Close(HWND main, const Arguments&) {
    return PostMessageW(main, WM_CLOSE, 0, 0) ? 0 : Fail("could not post WM_CLOSE");
}

struct DriverCommand {
    const char16_t* name;
    size_t argumentCount;
    bool needsMainWindow;
    int (*run)(HWND main, const Arguments& arguments);
    const char* usage;
};

const DriverCommand kCommands[] = {
    {u"wait-main", 1, false, WaitMain, "wait-main SECONDS"},
    {u"wait-gone", 1, false, WaitGone, "wait-gone SECONDS"},
    {u"text", 1, true, Text, "text ID"},
    {u"enabled", 1, true, Enabled, "enabled ID"},
    {u"click", 1, true, Click, "click ID"},
    {u"click-async", 1, true, ClickAsync, "click-async ID"},
    {u"menu", 1, true, Menu, "menu ID"},
    {u"combo-items", 1, true, ComboItemsCommand, "combo-items ID"},
    {u"combo-selection", 1, true, ComboSelection, "combo-selection ID"},
    {u"combo-select", 2, true, ComboSelect, "combo-select ID TEXT"},
    {u"list-items", 1, true, ListItemsCommand, "list-items ID"},
    {u"list-double-click", 2, true, ListDoubleClick, "list-double-click ID INDEX"},
    {u"wait-text", 3, true, WaitText, "wait-text ID TEXT SECONDS"},
    {u"dialog-wait", 2, true, DialogWait, "dialog-wait CAPTION SECONDS"},
    {u"dialog-gone", 2, true, DialogGone, "dialog-gone CAPTION SECONDS"},
    {u"dialog-text", 2, true, DialogText, "dialog-text CAPTION ID"},
    {u"dialog-set-text", 3, true, DialogSetText, "dialog-set-text CAPTION ID TEXT"},
    {u"dialog-click", 2, true, DialogClick, "dialog-click CAPTION ID"},
    {u"dialog-address", 3, true, DialogAddress, "dialog-address CAPTION ID A.B.C.D"},
    {u"close", 0, true, Close, "close"},
};

int Usage() {
    fprintf(stderr, "usage: sorvane_e2e_driver COMMAND [ARGUMENTS]\ncommands:\n");
    for (const DriverCommand& command : kCommands)
        fprintf(stderr, "  %s\n", command.usage);
    return 2;
}

} // namespace

int RunDriverCommand(const std::vector<WideString>& arguments) {
    if (arguments.empty())
        return Usage();
    for (const DriverCommand& command : kCommands) {
        if (arguments[0] != command.name)
            continue;
        if (arguments.size() != command.argumentCount + 1)
            return Usage();
        HWND main = command.needsMainWindow ? FindMainWindow() : nullptr;
        if (command.needsMainWindow && main == nullptr)
            return Fail("the main window is not there");
        return command.run(main, Arguments(arguments.begin() + 1, arguments.end()));
    }
    return Usage();
}

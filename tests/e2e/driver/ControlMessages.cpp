// Text and item access for windows of another process, one message at a time.
#include "ControlMessages.h"

namespace {

constexpr UINT kAnswerTimeoutMs = 60000;

// Reads item i of a combo box or list box through its length and text messages.
WideString ReadItem(HWND control, UINT lengthMessage, UINT textMessage, int index) {
    LRESULT length = 0;
    if (!SendAndWait(control, lengthMessage, static_cast<WPARAM>(index), 0, &length) || length < 0)
        return u"";
    WideString text(static_cast<size_t>(length) + 1, u'\0');
    LRESULT copied = 0;
    SendAndWait(control, textMessage, static_cast<WPARAM>(index), reinterpret_cast<LPARAM>(AsWin(text)), &copied);
    text.resize(copied < 0 ? 0 : static_cast<size_t>(copied));
    return text;
}

std::vector<WideString> ReadItems(HWND control, UINT countMessage, UINT lengthMessage, UINT textMessage) {
    std::vector<WideString> items;
    LRESULT count = 0;
    if (!SendAndWait(control, countMessage, 0, 0, &count))
        return items;
    for (int i = 0; i < count; ++i)
        items.push_back(ReadItem(control, lengthMessage, textMessage, i));
    return items;
}

} // namespace

bool SendAndWait(HWND window, UINT message, WPARAM wParam, LPARAM lParam, LRESULT* result) {
    DWORD_PTR answer = 0;
    LRESULT sent = SendMessageTimeoutW(window, message, wParam, lParam, SMTO_NORMAL, kAnswerTimeoutMs, &answer);
    if (result != nullptr)
        *result = static_cast<LRESULT>(answer);
    return sent != 0;
}

WideString ReadText(HWND window) {
    LRESULT length = 0;
    if (!SendAndWait(window, WM_GETTEXTLENGTH, 0, 0, &length) || length < 0)
        return u"";
    WideString text(static_cast<size_t>(length) + 1, u'\0');
    LRESULT copied = 0;
    SendAndWait(window, WM_GETTEXT, text.size(), reinterpret_cast<LPARAM>(AsWin(text)), &copied);
    text.resize(copied < 0 ? 0 : static_cast<size_t>(copied));
    return text;
}

bool WriteText(HWND window, const WideString& text) {
    return SendAndWait(window, WM_SETTEXT, 0, reinterpret_cast<LPARAM>(AsWin(text)));
}

std::vector<WideString> ComboItems(HWND combo) {
    return ReadItems(combo, CB_GETCOUNT, CB_GETLBTEXTLEN, CB_GETLBTEXT);
}

std::vector<WideString> ListItems(HWND list) {
    return ReadItems(list, LB_GETCOUNT, LB_GETTEXTLEN, LB_GETTEXT);
}

// Routing tables: a dialog class lists {message, control id, notification code, handler} rows.
#pragma once

#include <windows.h>

#include <cstddef>
#include <optional>

// What a message handler answers: a result, or nullopt for the platform's default processing.
using MessageResult = std::optional<LRESULT>;
constexpr std::nullopt_t kDefaultProcessing = std::nullopt;

template <class T> struct MessageRoute {
    UINT message;
    int controlId;  // WM_COMMAND rows: the control or menu id; other rows: unused
    int notifyCode; // WM_COMMAND rows: BN_CLICKED, LBN_DBLCLK, ... (0 for menu items)
    void (T::*onCommand)();
    MessageResult (T::*onMessage)(WPARAM, LPARAM);
};

// A WM_COMMAND row: a notification code from a control, or 0 for a menu item.
template <class T> constexpr MessageRoute<T> OnCommand(int controlId, int notifyCode, void (T::*handler)()) {
    return {WM_COMMAND, controlId, notifyCode, handler, nullptr};
}

template <class T> constexpr MessageRoute<T> OnMenu(int commandId, void (T::*handler)()) {
    return {WM_COMMAND, commandId, 0, handler, nullptr};
}

template <class T> constexpr MessageRoute<T> OnMessage(UINT message, MessageResult (T::*handler)(WPARAM, LPARAM)) {
    return {message, 0, 0, nullptr, handler};
}

// Finds the first row that matches and runs it; nullopt when no row matches.
template <class T, std::size_t N>
MessageResult DispatchRoutes(T& target, const MessageRoute<T> (&routes)[N], UINT message, WPARAM wParam,
                             LPARAM lParam) {
    for (const MessageRoute<T>& route : routes) {
        if (route.message != message)
            continue;
        if (message == WM_COMMAND) {
            if (route.controlId != LOWORD(wParam) || route.notifyCode != HIWORD(wParam))
                continue;
            (target.*route.onCommand)();
            return 0;
        }
        return (target.*route.onMessage)(wParam, lParam);
    }
    return kDefaultProcessing;
}

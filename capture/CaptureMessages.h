// The window messages the capture engine posts to the main window.
#pragma once

#include <cstdint>

constexpr uint32_t kWindowMessageUser = 0x0400; // WM_USER

// wParam: a heap text (new char[]) that the receiver releases with delete[]; lParam: 0.
constexpr uint32_t WM_CAPTURE_LOG = kWindowMessageUser + 1;
// wParam: how many packets were stored since the previous notice, at least 1 (the window's own
// handler also takes 0: show 0); lParam: 0. Notices come at most every few tens of milliseconds.
constexpr uint32_t WM_CAPTURE_PACKET = kWindowMessageUser + 2;
// wParam: 1; lParam: 0. The total storage limit was reached and storing stopped.
constexpr uint32_t WM_CAPTURE_FULL = kWindowMessageUser + 3;

// Delivers the engine's notifications to whatever is the main window at the moment of the post.
class CapturePoster {
public:
    virtual ~CapturePoster() = default;
    // False when there is no main window or the post failed; the message was then not delivered.
    virtual bool Post(uint32_t message, uintptr_t wParam, intptr_t lParam) = 0;
};

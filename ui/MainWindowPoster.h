// CMainWindowPoster: delivers the engine's notifications to the application's current main window.
#pragma once

#include "CaptureMessages.h"

class CMainWindowPoster : public CapturePoster {
public:
    // Looks the main window up at each post; false when there is none or the post failed.
    bool Post(uint32_t message, uintptr_t wParam, intptr_t lParam) override;
};

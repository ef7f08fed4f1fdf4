// CMonitorApp: starts Windows Sockets, runs the main window modally and cleans up.
#pragma once

#include "Application.h"

class CMonitorApp : public CWinApp {
public:
    // Runs the whole program and returns FALSE, so that the process ends when it returns.
    BOOL InitInstance() override;
};

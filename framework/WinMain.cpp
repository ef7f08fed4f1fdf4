// The process entry point: runs the application object's initialisation and ends.
#include "Application.h"

int WINAPI WinMain(HINSTANCE hInstance, HINSTANCE, LPSTR, int) {
    CWinApp* app = AfxGetApp();
    if (app == nullptr)
        return 1;
    app->m_hInstance = hInstance;
    app->InitInstance();
    return 0;
}

// CAboutDlg: the program's name and version (template 100); OK closes it.
#pragma once

#include "Dialog.h"

class CAboutDlg : public CDialog {
public:
    explicit CAboutDlg(CWnd* parent = nullptr);
};

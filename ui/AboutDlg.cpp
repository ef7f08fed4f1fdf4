// CAboutDlg: a template with nothing to exchange.
#include "AboutDlg.h"

#include "resource.h"

CAboutDlg::CAboutDlg(CWnd* parent) : CDialog(IDD_ABOUTBOX, parent) {}

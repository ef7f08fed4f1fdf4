// CMonitorDlg: construction, the routing table and initialisation.
#include "MonitorDlg.h"

#include "Application.h"
#include "LocalAddresses.h"
#include "resource.h"

#include <richedit.h>

#include <new>

const MessageRoute<CMonitorDlg> CMonitorDlg::s_routes[] = {
    OnMessage(WM_PAINT, &CMonitorDlg::OnPaintMessage),
    OnMessage(WM_QUERYDRAGICON, &CMonitorDlg::OnQueryDragIcon),
    OnMessage(WM_CLOSE, &CMonitorDlg::OnCloseMessage),
    OnMessage(WM_SIZE, &CMonitorDlg::OnSizeMessage),
    OnMessage(WM_DESTROY, &CMonitorDlg::OnDestroyMessage),
    OnCommand(IDC_START_STOP, BN_CLICKED, &CMonitorDlg::OnStartStop),
    OnCommand(IDC_LIST_BUTTON, BN_CLICKED, &CMonitorDlg::OnListPackets),
    OnCommand(IDC_PACKET_LIST, LBN_DBLCLK, &CMonitorDlg::OnShowDetail),
    OnCommand(IDC_FILTER_BUTTON, BN_CLICKED, &CMonitorDlg::OnFilter),
    OnMenu(ID_FILE_EXIT, &CMonitorDlg::OnExit),
    OnMenu(ID_SETTINGS_STORAGE, &CMonitorDlg::OnStorageSettings),
    OnMenu(IDM_ABOUTBOX, &CMonitorDlg::OnAbout),
    OnMessage(WM_CAPTURE_LOG, &CMonitorDlg::OnCaptureLog),
    OnMessage(WM_CAPTURE_PACKET, &CMonitorDlg::OnCapturePacket),
    OnMessage(WM_CAPTURE_FULL, &CMonitorDlg::OnCaptureFull),
};

CMonitorDlg::CMonitorDlg(CaptureSystem system, CWnd* parent)
    : CDialog(IDD_SORVANE_DIALOG, parent), m_addresses(system.addresses), m_capture(system, &m_poster),
      m_hIcon(::LoadIconA(AfxGetResourceHandle(), MAKEINTRESOURCEA(IDR_MAINFRAME))) {}

CMonitorDlg::~CMonitorDlg() {
    // Destroying the window shuts the engine down; without a window, the thread must still end.
    if (m_hWnd != nullptr)
        DestroyWindow();
    ShutDownEngine();
    if (m_hListFont != nullptr)
        ::DeleteObject(m_hListFont);
}

MessageResult CMonitorDlg::RouteMessage(UINT message, WPARAM wParam, LPARAM lParam) {
    return DispatchRoutes(*this, s_routes, message, wParam, lParam);
}

void CMonitorDlg::OnOutOfMemory() {
    AppendLog("Out of memory: the command was not completed.\n");
}

void CMonitorDlg::DoDataExchange(CDataExchange*) {}

BOOL CMonitorDlg::OnInitDialog() {
    CDialog::OnInitDialog();

    ::SendMessageA(m_hWnd, WM_SETICON, ICON_BIG, reinterpret_cast<LPARAM>(m_hIcon));
    ::SendMessageA(m_hWnd, WM_SETICON, ICON_SMALL, reinterpret_cast<LPARAM>(m_hIcon));

    m_hListFont = ::CreateFontA(14, 0, 0, 0, FW_NORMAL, FALSE, FALSE, FALSE, ANSI_CHARSET, OUT_DEFAULT_PRECIS,
                                CLIP_DEFAULT_PRECIS, DEFAULT_QUALITY, FIXED_PITCH | FF_MODERN, "ＭＳ　明朝");
    SendDlgItemMessage(IDC_PACKET_LIST, WM_SETFONT, reinterpret_cast<WPARAM>(m_hListFont), TRUE);

    SetTextPaneFormat();
    FillInterfaceList();

    m_capture.LaunchThread();
    m_bThreadLaunched = true;
    return TRUE;
}

void CMonitorDlg::OnOK() {}

void CMonitorDlg::OnCancel() {}

void CMonitorDlg::SetTextPaneFormat() {
    CHARFORMATA format = {};
    format.cbSize = sizeof(format);
    format.dwMask = CFM_FACE | CFM_CHARSET;
    format.bCharSet = 0;
    format.bPitchAndFamily = FIXED_PITCH;
    ::lstrcpynA(format.szFaceName, "ＭＳ　ゴシック", LF_FACESIZE);
    // New text takes the format of the text at the caret, not the default one. In the empty pane
    // that is its end mark, which Wine's rich edit formats with the dialog font of WM_SETFONT (a
    // proportional face); SCF_ALL gives the end mark this format too.
    const WPARAM scopes[] = {SCF_DEFAULT, SCF_SELECTION, SCF_SELECTION | SCF_WORD, SCF_ALL};
    for (WPARAM scope : scopes)
        SendDlgItemMessage(IDC_TEXT_PANE, EM_SETCHARFORMAT, scope, reinterpret_cast<LPARAM>(&format));
}

// Out of memory here must not keep the capture thread from being launched after it: capture then
// fails at its start with its own line, and every other command still works.
void CMonitorDlg::FillInterfaceList() {
    AddressEntries list;
    try {
        list = ListLocalAddresses(m_addresses);
    } catch (const std::bad_alloc&) {
        AppendLog("Out of memory: the interface list could not be made\n");
        return;
    }
    if (!list.failure.empty()) {
        AppendLog(list.failure.c_str());
        return;
    }
    // The box sorts its entries as text, so with eleven or more "10. ..." lands after "1. ...";
    // each entry keeps its position in the address list as item data for the start command.
    for (size_t position = 0; position < list.entries.size(); ++position) {
        LRESULT item = SendDlgItemMessage(IDC_INTERFACE, CB_ADDSTRING, 0,
                                          reinterpret_cast<LPARAM>(list.entries[position].c_str()));
        if (item >= 0)
            SendDlgItemMessage(IDC_INTERFACE, CB_SETITEMDATA, static_cast<WPARAM>(item), static_cast<LPARAM>(position));
    }
    SendDlgItemMessage(IDC_INTERFACE, CB_SETCURSEL, 0);
}

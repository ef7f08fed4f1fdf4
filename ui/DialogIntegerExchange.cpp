// DDX_Text for the settings dialog's integers: the integer rule and its refusal.
#include "DialogIntegerExchange.h"

#include "Dialog.h"
#include "DialogInteger.h"

#include <string>

void DDX_Text(CDataExchange* pDX, int id, int32_t& value) {
    if (pDX->Failed())
        return;
    HWND edit = pDX->PrepareEditCtrl(id);
    if (!pDX->m_bSaveAndValidate) {
        ::SetWindowTextA(edit, std::to_string(value).c_str());
        return;
    }
    char text[64] = {};
    ::GetWindowTextA(edit, text, sizeof(text));
    if (!ReadDialogInteger(text, value)) {
        pDX->m_pDlgWnd->MessageBox("整数を入力してください。", MB_OK | MB_ICONEXCLAMATION);
        pDX->Fail();
    }
}

// CIPAddressCtrl: reads the packed address of IPM_GETADDRESS into four bytes.
#include "IPAddressCtrl.h"

#include <commctrl.h>

int CIPAddressCtrl::GetAddress(BYTE& field0, BYTE& field1, BYTE& field2, BYTE& field3) const {
    DWORD address = 0;
    int filled = static_cast<int>(::SendMessageA(m_hWnd, IPM_GETADDRESS, 0, reinterpret_cast<LPARAM>(&address)));
    field0 = FIRST_IPADDRESS(address);
    field1 = SECOND_IPADDRESS(address);
    field2 = THIRD_IPADDRESS(address);
    field3 = FOURTH_IPADDRESS(address);
    return filled;
}

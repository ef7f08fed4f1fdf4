// CIPAddressCtrl: the four-field IPv4 address control.
#pragma once

#include "Window.h"

class CIPAddressCtrl : public CWnd {
public:
    // Reads the four fields; a blank field reads as 0. Returns the number of non-blank fields.
    int GetAddress(BYTE& field0, BYTE& field1, BYTE& field2, BYTE& field3) const;
};

// CProgressCtrl: the progress bar control.
#pragma once

#include "Window.h"

class CProgressCtrl : public CWnd {
public:
    void SetRange32(int lower, int upper) const;
    // Returns the previous position.
    int SetPos(int position) const;
    int GetPos() const;
};

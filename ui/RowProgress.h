// CRowProgress: the progress window while the list or filter command walks its rows.
#pragma once

#include "ProgressDlg.h"

#include <cstdint>

class CRowProgress {
public:
    // Shows the progress window owned by and centred over owner; above 1,000 rows the bar's range
    // becomes 0 .. rowCount. The window goes away with the object.
    CRowProgress(CWnd* owner, int32_t rowCount);
    CRowProgress(const CRowProgress&) = delete;
    CRowProgress& operator=(const CRowProgress&) = delete;
    ~CRowProgress();

    // Called for every row in order: above 1,000 rows the bar moves at each multiple of
    // rowCount / 10, ten or eleven times in all; the loop dispatches no messages meanwhile.
    void Reached(int32_t row);

private:
    bool Shows() const { return m_nRows > kThreshold; }

    static constexpr int32_t kThreshold = 1000;

    CProgressDlg m_dialog;
    int32_t m_nRows;
    int32_t m_nStep = 0;
};

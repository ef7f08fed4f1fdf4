// DDX_Text for the settings dialog's integers, read by the dialog integer rule.
#pragma once

#include "DataExchange.h"

#include <cstdint>

// A signed decimal integer in an edit. Loading shows the value; saving reads the text and, when it
// is not an integer, shows "整数を入力してください。" (exclamation icon, owned by the dialog) and fails.
void DDX_Text(CDataExchange* pDX, int id, int32_t& value);

// Control and command ids by name, for the driver's command line: "IDC_START_STOP", never a number.
#pragma once

#include "WideText.h"

// Sets id to the id named name: any id that res/resource.h defines, or the system's IDOK and
// IDCANCEL. False for any other name.
bool ControlIdByName(const WideString& name, int& id);

// The window driver's commands: each reads or drives one thing in the running program's windows.
#pragma once

#include "WideText.h"

#include <vector>

// Runs arguments[0] with the rest as its arguments. Returns 0 on success, 1 when the command failed
// (the reason is on standard error), 2 for a usage error.
int RunDriverCommand(const std::vector<WideString>& arguments);

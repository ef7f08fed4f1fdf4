// The arguments of the running program's command line, as UTF-16 words.
#pragma once

#include "WideText.h"

#include <vector>

// The words after the program's name, split the way CommandLineToArgvW splits them.
std::vector<WideString> CommandLineArguments();

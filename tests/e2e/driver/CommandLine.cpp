// Splits the program's own command line into words.
#include "CommandLine.h"

#include <shellapi.h>

std::vector<WideString> CommandLineArguments() {
    int count = 0;
    LPWSTR* words = CommandLineToArgvW(GetCommandLineW(), &count);
    std::vector<WideString> arguments;
    for (int i = 1; i < count; ++i)
        arguments.emplace_back(reinterpret_cast<const char16_t*>(words[i]));
    LocalFree(words);
    return arguments;
}

// sorvane_e2e_driver: drives the running program's windows from outside, one command per run.
#include "DriverCommands.h"

#include <shellapi.h>

int main() {
    int count = 0;
    LPWSTR* words = CommandLineToArgvW(GetCommandLineW(), &count);
    std::vector<WideString> arguments;
    for (int i = 1; i < count; ++i)
        arguments.emplace_back(reinterpret_cast<const char16_t*>(words[i]));
    LocalFree(words);
    return RunDriverCommand(arguments);
}

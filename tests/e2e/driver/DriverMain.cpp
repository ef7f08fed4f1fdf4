// sorvane_e2e_driver: drives the running program's windows from outside, one command per run.
#include "CommandLine.h"
#include "DriverCommands.h"

int main() {
    return RunDriverCommand(CommandLineArguments());
}

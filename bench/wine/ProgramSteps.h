// The benchmark's steps in the running program, each driven from outside through its windows.
#pragma once

#include "WideText.h"

// Sets the total storage limit to totalMB in the settings dialog, picks the interface of address in
// the combo box and starts capture. Returns 0, or 1 with the reason on standard error.
int PrepareCapture(const WideString& totalMB, const WideString& address);

// Waits up to seconds for the storage-full message box (captioned with the program's name), closes
// it and stops capture; prints the message and the packet counter.
int StopWhenFull(double seconds, const WideString& programName);

// Stops capture and prints the packet counter, which the stop sets to the number of stored packets:
// "counter=N". Returns 0, or 1 with the reason on standard error.
int StopCapture();

// Runs the list command and prints "seconds=S rows=N": the time from the click until the command
// has returned.
int TimeListCommand();

// Runs the filter command on a dotted address and prints "seconds=S rows_before=N rows_after=M":
// the time from the dialog's OK until the list holds its new number of rows.
int TimeFilterCommand(const WideString& address);

// Runs the list command and prints every row of the list, one per line, for comparing the rows'
// time stamps with another tool's.
int PrintListedRows();

// Prints "watching", then reads the packet counter every few milliseconds for seconds and prints
// each change as "time=S counter=N", S the wall clock's seconds since 1970.
int WatchCounter(double seconds);

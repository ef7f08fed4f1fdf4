// Starting the detached capture thread; the build picks the implementation.
#pragma once

// Runs proc(argument) on a new detached thread at normal priority; false when none could be made.
bool StartDetachedThread(void (*proc)(void*), void* argument);

// Tells whether a heap block from new[] has been released with delete[] (the test program replaces
// the global array delete to watch for it).
#pragma once

void WatchRelease(const void* block);
bool WasReleased(const void* block);

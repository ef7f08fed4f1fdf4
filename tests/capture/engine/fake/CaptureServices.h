// One test object that gives all four capture services, handed to an engine as the system they make.
#pragma once

#include "CaptureSystem.h"

class CaptureServices : public CaptureThreads, public CaptureSockets, public LocalAddressSource, public CaptureMemory {
public:
    operator CaptureSystem() { return {*this, *this, *this, *this}; }
};

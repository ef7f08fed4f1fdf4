// Names of the IP protocol numbers shown in the packet detail text.
#pragma once

// Indexed by protocol number 0 to 100; gaps in the assignments read "unknown".
extern const char* const kProtocolNames[101];

// The name of any protocol number; numbers past the table are "unknown".
const char* ProtocolName(unsigned protocol);

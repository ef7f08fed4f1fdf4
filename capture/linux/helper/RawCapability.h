// The process's capability sets: CAP_NET_RAW kept alone, or nothing kept at all.
#pragma once

// True when CAP_NET_RAW is in the permitted set, so that the process can hand it on.
bool HoldsRawCapability();

// Leaves CAP_NET_RAW as the only capability in the effective and permitted sets (when it was
// permitted), clears the others and, where CAP_SETPCAP allows, the bounding set down to it; with
// handOn it also stays in the inheritable and ambient sets, so that a program started next gets it.
// Sets no_new_privs, so that no later exec gains more, not even as root. False when the sets could
// not be made so.
bool KeepOnlyRawCapability(bool handOn);

// Empties the effective, permitted, inheritable and ambient sets (and the bounding set where
// CAP_SETPCAP allows) and sets no_new_privs: a root process regains nothing at exec either.
bool DropAllCapabilities();

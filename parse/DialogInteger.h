// Reads a signed integer typed into a settings dialog edit.
#pragma once

#include <cstdint>

constexpr int kDialogIntegerMaxChars = 31;

// Reads at most the first 31 characters of text: blanks and tabs around the number, an optional
// sign, digits; any other character makes the entry invalid. A text that reads as 0 is valid only
// when its first non-blank character is the digit 0, so "", "+0" and "-0" are invalid while "00"
// is 0. Numbers beyond the 32-bit range saturate at the nearer limit. On failure value is untouched.
bool ReadDialogInteger(const char* text, int32_t& value);

// Reads a decimal number back out of a fixed-width field of a list row.
#pragma once

constexpr int kMaxOctetFieldCount = 29;

// Converts at most count characters of text (fewer when a NUL comes first) the way strtol does in
// base 10: leading white space skipped, an optional sign, digits up to the first non-digit, 0 when
// there are none. Results beyond the int range saturate. A count below 0 or above 29 gives -1
// without reading text.
int ParseOctetField(const char* text, int count);

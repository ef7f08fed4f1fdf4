// The address filter's test of one list row against an IPv4 address.
#pragma once

// True when the row's four source octets, or its four destination octets, equal address in order.
// Each octet is read with ParseOctetField over 3 characters and reduced to its low 8 bits. The row
// is read only up to its terminating NUL: a field that lies past a short row, or that shows as
// dashes because its bytes were not stored, never matches.
bool RowMatchesAddress(const char* row, const unsigned char address[4]);

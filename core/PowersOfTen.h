// Powers of ten at extended precision, formed the same way wherever the
// program needs them (entry parsing and number texts).
#pragma once

#include "core/Extended.h"

// 10^n for n >= 0, built from 10^(n mod 8) as an exact integer times the
// correctly rounded extended values of 10^8, 10^16, ..., 10^4096 for the bits
// of n div 8, in increasing order; for n > 4096 one extra 10^4096 is applied
// last to 10^(n - 4096). Overflows to +inf only past the extended range.
Extended PowerOfTen(int n);

// Number-to-text rules shared by the result panel, the printed report and
// the command-line companion. Pure functions: no state, no locale, no failure.
#pragma once

#include "core/Extended.h"

#include <string>
#include <string_view>

// `value` × 10^places rounded to the nearest integer (ties to even), divided
// by 10^places, all in extended precision. Places above 18 count as 18;
// negative places round to a multiple of 10^-places, below -18 as -18.
// Infinities and NaNs pass through unchanged; a zero result keeps the sign.
Extended RoundDecimals(double value, int places);

// Plain decimal text with at most 15 significant digits, led by "-" or one
// blank; exponent form ("1.5E+20") only beyond 15 integer digits or
// 15 decimals. Zero, -0 and NaN give " 0"; ±∞ give "±9.99999999999999E+998".
std::string NumberText(Extended value);

// The value scaled into one of eleven SI-prefix bands ("a" to "T"), rounded
// to `places` decimals, then one blank, the prefix and `unit`:
// EngineeringFormatter(1234.5678, 4, "Ohms") == " 1.2346 kOhms".
std::string EngineeringFormatter(double value, int places, std::string_view unit);

// Where the number that an entry row reads from a text ends. ParseNumber
// reads on regardless of what follows its number; the companion's batch
// converter uses this to refuse a field that holds more than one number,
// or none, while still reading the field with ParseNumber itself. Both are
// the same reader (core/ParseNumber.cpp), so they never disagree.
#pragma once

#include <cstddef>
#include <string_view>

enum class EntryTextKind {
  Number,       // the text is one number, blanks before it allowed
  NoNumber,     // no digit: empty, blanks, a lone sign or point, "&H", "junk"
  TrailingText, // text follows the number ("4,7", "4n7", "1kHz"; "2E" has no exponent digits)
  BeyondRange,  // a number ParseNumber only stands in for: a radix number beyond
                // 64 bits, or of bit 63 with "?" (read as 0), or a decimal of
                // 10^4932 or more (read as 2^127)
};

struct EntryTextExtent {
  EntryTextKind kind;
  std::size_t numberEnd; // where the number (and its radix suffix) ends, blanks before it included
};

// Measures `text` with ParseNumber's own reading: leading blanks (space,
// tab, CR, LF), then a decimal with optional sign, point and E or D
// exponent, or a radix form "&H..", "&O..", "&B.." with its type suffix.
// An exponent letter counts only with digits after it. Reads exactly
// `text`; never fails, keeps no state.
EntryTextExtent MeasureEntryText(std::string_view text);

// Buffered output, number spellings and the quoting of input in messages,
// shared by the companion's commands.
#pragma once

#include "cli/Cli.h"

#include <cstddef>
#include <memory>
#include <string>
#include <string_view>

// Size of the output block: room for the longest batch row (every byte of
// a maximal input line quoted, plus fourteen numbers) with plenty to spare.
inline constexpr std::size_t CliOutputCapacity = std::size_t{1} << 18;
static_assert(CliOutputCapacity > 2 * BatchMaxLineLength + 4096);

// Standard output collected in one block and handed to the streams when it
// fills up or at the end; `failed` records that a hand-over was refused.
struct CliOutput {
  const CliStreams *streams = nullptr;
  std::unique_ptr<char[]> data;
  std::size_t capacity = 0;
  std::size_t used = 0;
  bool failed = false;
};

// A buffer of `capacity` bytes bound to `streams`.
void OpenCliOutput(CliOutput &out, const CliStreams &streams, std::size_t capacity);

// Hands the collected bytes on; false once any hand-over has failed.
bool FlushCliOutput(CliOutput &out);

// Makes room for `length` contiguous bytes (flushing first if needed) and
// returns where to write them; the caller then adds to `used`. `length`
// must not exceed the capacity.
char *ReserveCliOutput(CliOutput &out, std::size_t length);

// Appends `text`, flushing as often as needed.
void PutCliOutput(CliOutput &out, std::string_view text);

// Writes `text` to the diagnostics stream.
void PutCliError(const CliStreams &streams, std::string_view text);

// Room that each number spelling below may need.
inline constexpr std::size_t NumberSpellingMax = 32;

// `value` with 17 significant digits (printf's %.17g in the C locale),
// spelled "inf", "-inf", "nan" when not finite and "-0" for negative zero.
// Writes at `p` and returns the end of the text.
char *SpellDouble17(char *p, double value);

// The shortest text that reads back as `value`, byte for byte as
// std::to_chars writes it (WriteShortestText), spelled "inf", "-inf", "nan"
// when not finite. Returns the end of the text.
char *SpellDoubleShortest(char *p, double value);

// A bound (not negative) rounded up to three significant digits, so that it
// stays a bound (its shortest digits are rounded, and digits past the
// twelfth, the double's last bits, do not round up), in the layout of the shortest spelling
// ("79.6", "3.15e-09", "0.0005"); "0" for zero, "inf" and "nan" when not finite. Returns the end of
// the text.
char *SpellBound(char *p, double bound);

// A JSON number: `value` as `spell` writes it (the shortest round-trip
// text unless told otherwise), and an infinity or NaN, which JSON has no
// literal for, as the string "inf", "-inf" or "nan". The one writer of
// numbers for every JSON the companion prints.
void PutJsonNumber(CliOutput &out, double value,
                   char *(*spell)(char *, double) = SpellDoubleShortest);

// How much of an input text a message shows: this many characters, then "...".
inline constexpr std::size_t EchoLimit = 60;

// Appends `text` so that it prints as it reads and stays valid UTF-8: a byte
// that is not part of printable UTF-8 (a control character, an invalid or
// overlong sequence, an invisible or direction-changing code point) as
// "\xB5", one escape per byte. With `limit` > 0, stops after that many
// characters (an escape counts as its four) and writes "..." for the rest.
void AppendEscaped(std::string &out, std::string_view text, std::size_t limit = 0);

// `text` between single quotes, escaped and cut at EchoLimit, as messages
// echo an argument or a field.
std::string Quoted(std::string_view text);

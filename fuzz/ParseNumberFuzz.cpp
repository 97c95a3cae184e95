// Feeds arbitrary bytes to the entry parser and to the measure of where its
// number ends. The bytes are copied into a heap block of exactly their
// size, so AddressSanitizer reports any read past the given length; the
// checks below hold for every input.
#include "core/EntryText.h"
#include "core/ParseNumber.h"

#include <cmath>
#include <cstdint>
#include <cstdlib>
#include <cstring>
#include <memory>

namespace {

bool IsBlank(char c) { return c == ' ' || c == '\t' || c == '\r' || c == '\n'; }

bool StartsANumber(char c) {
  return (c >= '0' && c <= '9') || c == '+' || c == '-' || c == '.' || c == '&';
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t *data, std::size_t size) {
  std::unique_ptr<char[]> text(new char[size]);
  if (size > 0)
    std::memcpy(text.get(), data, size);
  const double value = ParseNumber(text.get(), size);

  // Never a NaN: every form yields a number, an infinity or a signed zero.
  if (std::isnan(value))
    std::abort();

  // Same text, same bits: no state survives a call.
  const double again = ParseNumber(text.get(), size);
  if (std::memcmp(&value, &again, sizeof value) != 0)
    std::abort();

  // The number ends where the measure says: the text up to there reads the
  // same; a text without a number reads as a zero, a stand-in as 0 or 2^127.
  const EntryTextExtent extent = MeasureEntryText(std::string_view(text.get(), size));
  if (extent.numberEnd > size)
    std::abort();
  const double number = ParseNumber(text.get(), extent.numberEnd);
  if (std::memcmp(&value, &number, sizeof value) != 0)
    std::abort();
  if ((extent.kind == EntryTextKind::Number || extent.kind == EntryTextKind::BeyondRange) &&
      extent.numberEnd != size)
    std::abort();
  if (extent.kind == EntryTextKind::NoNumber && value != 0)
    std::abort();
  if (extent.kind == EntryTextKind::BeyondRange && value != 0 && std::fabs(value) != 0x1p127)
    std::abort();

  std::size_t first = 0;
  while (first < size && IsBlank(text[first]))
    ++first;

  // Text that cannot start a number reads as plus zero.
  if (first == size || !StartsANumber(text[first])) {
    if (value != 0 || std::signbit(value))
      std::abort();
    return 0;
  }

  // The radix form gives a whole number that fits in 64 bits.
  if (text[first] == '&' &&
      (value != std::trunc(value) || std::fabs(value) > 18446744073709551615.0))
    std::abort();
  return 0;
}

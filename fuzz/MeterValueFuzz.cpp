// Feeds arbitrary bytes to the strict meter-value reader; the first byte
// picks the quantity and the decimal mark. The text is copied into a heap block of exactly its
// size, so AddressSanitizer reports any read past the given length; the
// checks below hold for every input.
#include "core/MeterValue.h"

#include <charconv>
#include <cmath>
#include <cstdint>
#include <cstdlib>
#include <cstring>
#include <memory>
#include <string_view>

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t *data, std::size_t size) {
  if (size == 0)
    return 0;
  const Quantity quantity = static_cast<Quantity>(data[0] % 8);
  const DecimalMark mark = static_cast<DecimalMark>(data[0] / 8 % 3);
  const std::size_t length = size - 1;
  std::unique_ptr<char[]> text(new char[length == 0 ? 1 : length]);
  if (length > 0)
    std::memcpy(text.get(), data + 1, length);
  const std::string_view view(text.get(), length);

  double value = 12345;
  const MeterValueStatus status = ParseMeterValue(view, quantity, value, mark);
  if (status != MeterValueStatus::Ok) {
    // A refused text leaves the value alone.
    if (value != 12345)
      std::abort();
    return 0;
  }

  // An accepted value is a finite number; a leading minus makes it negative
  // (or minus zero), anything else leaves it non-negative.
  if (!std::isfinite(value) || std::signbit(value) != (view[0] == '-'))
    std::abort();

  // Same text, same bits: no state survives a call.
  double again = 0;
  if (ParseMeterValue(view, quantity, again, mark) != MeterValueStatus::Ok ||
      std::memcmp(&value, &again, sizeof value) != 0)
    std::abort();

  // A text read with one mark reads the same with either mark, unless its
  // comma may group thousands.
  if (mark != DecimalMark::Either) {
    const MeterValueStatus either = ParseMeterValue(view, quantity, again, DecimalMark::Either);
    if (!(either == MeterValueStatus::AmbiguousComma && mark == DecimalMark::Comma) &&
        (either != MeterValueStatus::Ok || std::memcmp(&value, &again, sizeof value) != 0))
      std::abort();
  }

  // The shortest spelling of the value reads back as itself, with the unit
  // of the quantity too (and a decimal comma where that is the mark).
  char spelled[64];
  char *end = std::to_chars(spelled, spelled + 40, value).ptr;
  if (mark == DecimalMark::Comma)
    for (char *p = spelled; p != end; ++p)
      *p = *p == '.' ? ',' : *p;
  const char *unit = QuantityUnit(quantity);
  const std::size_t unitLength = std::strlen(unit);
  std::memcpy(end, unit, unitLength);
  double back = 0;
  if (ParseMeterValue(
          std::string_view(spelled, static_cast<std::size_t>(end - spelled) + unitLength), quantity,
          back, mark == DecimalMark::Either ? DecimalMark::Point : mark) != MeterValueStatus::Ok ||
      std::memcmp(&value, &back, sizeof value) != 0)
    std::abort();
  return 0;
}

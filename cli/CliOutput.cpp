#include "cli/CliOutput.h"

#include "present/ShortestText.h"

#include <algorithm>
#include <charconv>
#include <cmath>
#include <cstring>

void OpenCliOutput(CliOutput &out, const CliStreams &streams, std::size_t capacity) {
  out.streams = &streams;
  out.data = std::make_unique<char[]>(capacity);
  out.capacity = capacity;
  out.used = 0;
  out.failed = false;
}

bool FlushCliOutput(CliOutput &out) {
  if (out.used > 0 && !out.failed)
    out.failed = !out.streams->WriteOutput(out.streams->context, out.data.get(), out.used);
  out.used = 0;
  return !out.failed;
}

char *ReserveCliOutput(CliOutput &out, std::size_t length) {
  if (out.capacity - out.used < length)
    FlushCliOutput(out);
  return out.data.get() + out.used;
}

void PutCliOutput(CliOutput &out, std::string_view text) {
  while (!text.empty()) {
    if (out.used == out.capacity)
      FlushCliOutput(out);
    std::size_t n = std::min(text.size(), out.capacity - out.used);
    std::memcpy(out.data.get() + out.used, text.data(), n);
    out.used += n;
    text.remove_prefix(n);
  }
}

void PutCliError(const CliStreams &streams, std::string_view text) {
  streams.WriteError(streams.context, text.data(), text.size());
}

namespace {

// Non-finite values have one spelling whatever their sign bit or payload
// (a NaN is never written "-nan").
char *SpellNonFinite(char *p, double value) {
  const char *text = std::isnan(value) ? "nan" : value < 0 ? "-inf" : "inf";
  std::size_t n = std::strlen(text);
  std::memcpy(p, text, n);
  return p + n;
}

} // namespace

char *SpellDouble17(char *p, double value) {
  if (!std::isfinite(value))
    return SpellNonFinite(p, value);
  // to_chars with a precision formats exactly as printf does in the C
  // locale, without depending on the process's locale.
  return std::to_chars(p, p + NumberSpellingMax, value, std::chars_format::general, 17).ptr;
}

static_assert(ShortestTextMax <= NumberSpellingMax);

char *SpellDoubleShortest(char *p, double value) {
  if (!std::isfinite(value))
    return SpellNonFinite(p, value);
  return WriteShortestText(p, value);
}

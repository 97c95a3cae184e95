#include "cli/CliOutput.h"

#include "present/ShortestText.h"

#include <algorithm>
#include <charconv>
#include <cmath>
#include <cstdint>
#include <cstdio>
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
#if defined(__cpp_lib_to_chars)
  // to_chars with a precision formats exactly as printf does in the C
  // locale, without depending on the process's locale.
  return std::to_chars(p, p + NumberSpellingMax, value, std::chars_format::general, 17).ptr;
#else
  // Where the standard library has no floating-point to_chars
  // (emscripten's libc++), printf itself serves: nothing sets a locale.
  return p + std::snprintf(p, NumberSpellingMax, "%.17g", value);
#endif
}

static_assert(ShortestTextMax <= NumberSpellingMax);

char *SpellDoubleShortest(char *p, double value) {
  if (!std::isfinite(value))
    return SpellNonFinite(p, value);
  return WriteShortestText(p, value);
}

char *SpellBound(char *p, double bound) {
  if (!std::isfinite(bound))
    return SpellNonFinite(p, bound);
  if (bound <= 0) {
    *p++ = '0';
    return p;
  }

  // Step 1: the bound's shortest digits, and how many there are.
  static constexpr std::uint64_t Powers[] = {1,
                                             10,
                                             100,
                                             1000,
                                             10000,
                                             100000,
                                             1000000,
                                             10000000,
                                             100000000,
                                             1000000000,
                                             10000000000,
                                             100000000000,
                                             1000000000000,
                                             10000000000000,
                                             100000000000000,
                                             1000000000000000,
                                             10000000000000000,
                                             100000000000000000};
  const ShortestDecimal shortest = ShortestDigits(bound);
  std::uint64_t m = shortest.significand;
  int e = shortest.exponent; // of the last digit, for now
  int count = 1;
  while (count < 17 && m >= Powers[count])
    ++count;

  // Step 2: three digits, rounded up; 999.x rounds up to 1000, one digit
  // more, which is 100 one place up. Digits past the twelfth do not round
  // up: they are the double's last bits (0.05 % of 1 nF is held as
  // 5.000000000000001e-13), and a first-order bound is far rougher.
  constexpr int NoiseFrom = 13;
  if (count > 3) {
    const std::uint64_t rest = m % Powers[count - 3];
    m /= Powers[count - 3];
    e += count - 3;
    const std::uint64_t counted = count >= NoiseFrom ? rest / Powers[count - NoiseFrom + 1] : rest;
    if (counted != 0 && ++m == 1000) {
      m = 100;
      ++e;
    }
  }
  while (m < 100) {
    m *= 10;
    --e;
  }
  e += 2;
  char digits[3] = {char('0' + m / 100), char('0' + m / 10 % 10), char('0' + m % 10)};
  count = 3;
  while (count > 1 && digits[count - 1] == '0')
    --count;

  // Step 3: fixed or scientific, whichever is shorter (fixed on a tie), as
  // the shortest spelling lays out its digits.
  const int fixedLength =
      e >= 0 ? std::max(e + 1, count) + (count > e + 1 ? 1 : 0) : 2 + (-e - 1) + count;
  const int exponentDigits = std::abs(e) >= 100 ? 3 : 2;
  const int scientificLength = count + (count > 1 ? 1 : 0) + 2 + exponentDigits;
  if (fixedLength <= scientificLength) {
    if (e < 0) {
      *p++ = '0';
      *p++ = '.';
      for (int i = 0; i < -e - 1; ++i)
        *p++ = '0';
      for (int i = 0; i < count; ++i)
        *p++ = digits[i];
    } else {
      for (int i = 0; i <= std::max(e, count - 1); ++i) {
        if (i == e + 1)
          *p++ = '.';
        *p++ = i < count ? digits[i] : '0';
      }
    }
    return p;
  }
  *p++ = digits[0];
  if (count > 1) {
    *p++ = '.';
    for (int i = 1; i < count; ++i)
      *p++ = digits[i];
  }
  *p++ = 'e';
  *p++ = e < 0 ? '-' : '+';
  const int a = std::abs(e);
  if (a >= 100)
    *p++ = char('0' + a / 100);
  *p++ = char('0' + a / 10 % 10);
  *p++ = char('0' + a % 10);
  return p;
}

void PutJsonNumber(CliOutput &out, double value, char *(*spell)(char *, double)) {
  char number[NumberSpellingMax + 2];
  const bool finite = std::isfinite(value);
  char *p = number;
  if (!finite)
    *p++ = '"';
  p = spell(p, value);
  if (!finite)
    *p++ = '"';
  PutCliOutput(out, std::string_view(number, static_cast<std::size_t>(p - number)));
}

namespace {

// Code points that print nothing or turn the text around them: the C1
// controls, zero-width characters and marks, the line and paragraph
// separators, the direction embeddings and isolates, and the byte order mark.
bool IsInvisible(std::uint32_t c) {
  return (c >= 0x80 && c <= 0x9F) || (c >= 0x200B && c <= 0x200F) || (c >= 0x2028 && c <= 0x202E) ||
         (c >= 0x2060 && c <= 0x206F) || c == 0xFEFF;
}

// The length of the printable UTF-8 character that `text` starts with, or 0
// when its first byte is to be escaped. Overlong forms, surrogates and
// code points beyond U+10FFFF are not UTF-8.
std::size_t PrintableLength(std::string_view text) {
  const auto byte = [&](std::size_t k) { return static_cast<unsigned char>(text[k]); };
  const unsigned char lead = byte(0);
  if (lead >= 0x20 && lead < 0x7F)
    return 1;
  if (lead < 0xC2 || lead > 0xF4)
    return 0;
  const std::size_t length = lead < 0xE0 ? 2 : lead < 0xF0 ? 3 : 4;
  if (text.size() < length)
    return 0;
  const unsigned char low = lead == 0xE0 ? 0xA0 : lead == 0xF0 ? 0x90 : 0x80;
  const unsigned char high = lead == 0xED ? 0x9F : lead == 0xF4 ? 0x8F : 0xBF;
  if (byte(1) < low || byte(1) > high)
    return 0;
  std::uint32_t code = lead & (0x7Fu >> length);
  for (std::size_t k = 1; k < length; ++k) {
    if ((byte(k) & 0xC0) != 0x80)
      return 0;
    code = code << 6 | (byte(k) & 0x3Fu);
  }
  return IsInvisible(code) ? 0 : length;
}

} // namespace

void AppendEscaped(std::string &out, std::string_view text, std::size_t limit) {
  std::size_t shown = 0;
  while (!text.empty()) {
    const std::size_t length = PrintableLength(text);
    const std::size_t width = length > 0 ? 1 : 4;
    if (limit > 0 && shown + width > limit) {
      out += "...";
      return;
    }
    shown += width;
    if (length > 0) {
      out.append(text.substr(0, length));
      text.remove_prefix(length);
    } else {
      static constexpr char Hex[] = "0123456789ABCDEF";
      const unsigned char c = static_cast<unsigned char>(text[0]);
      const char escape[4] = {'\\', 'x', Hex[c >> 4], Hex[c & 15]};
      out.append(escape, 4);
      text.remove_prefix(1);
    }
  }
}

std::string Quoted(std::string_view text) {
  std::string quoted = "'";
  AppendEscaped(quoted, text, EchoLimit);
  quoted += '\'';
  return quoted;
}

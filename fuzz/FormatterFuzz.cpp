// Feeds arbitrary doubles and numbers of places to the engineering
// formatter and the plain number text, and checks the shape of the texts
// and that they read back as the value they stand for.
#include "present/NumberText.h"
#include "tests/support/ExtendedChecks.h"

#include <cmath>
#include <cstdint>
#include <cstdlib>
#include <cstring>
#include <string>
#include <string_view>

namespace {

constexpr const char *Units[] = {"Ohms", "mhos", "F", "H", "Hz", ""};
constexpr std::string_view Prefixes = "afpnumkMGT";
constexpr int PrefixExponents[] = {-18, -15, -12, -9, -6, -3, 3, 6, 9, 12};
constexpr std::string_view InfinityDigits = "9.99999999999999E+998";

void Require(bool condition) {
  if (!condition)
    std::abort();
}

// Checks a number text: sign position, then digits with at most one point,
// then an optional exponent; returns the number it reads as.
long double CheckNumberText(std::string_view text) {
  Require(text.size() >= 2 && (text[0] == ' ' || text[0] == '-'));
  std::size_t i = 1, digits = 0, points = 0;
  for (; i < text.size() && text[i] != 'E'; ++i) {
    if (text[i] == '.')
      ++points;
    else {
      Require(text[i] >= '0' && text[i] <= '9');
      ++digits;
    }
  }
  Require(digits >= 1 && digits <= 15 && points <= 1);
  Require(text.back() != '.');
  if (i < text.size()) {
    Require(i + 2 < text.size() && (text[i + 1] == '+' || text[i + 1] == '-'));
    for (std::size_t j = i + 2; j < text.size(); ++j)
      Require(text[j] >= '0' && text[j] <= '9');
    Require(text.size() - (i + 2) <= 4);
  }
  return std::strtold(std::string(text).c_str(), nullptr);
}

// The text stands for `expected` to 15 significant digits.
void CheckReadsBack(long double read, long double expected) {
  if (std::isnan(expected) || expected == 0) {
    Require(read == 0);
    return;
  }
  if (std::isinf(expected)) {
    Require(std::fabs(read) > 9.99e998L && std::signbit(read) == std::signbit(expected));
    return;
  }
  Require(std::fabs(read - expected) <= 1e-14L * std::fabs(expected));
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t *data, std::size_t size) {
  // Step 1: decode a double, a number of places and a unit from the bytes.
  unsigned char bytes[13] = {};
  std::memcpy(bytes, data, size < sizeof bytes ? size : sizeof bytes);
  double value;
  std::int32_t places;
  std::memcpy(&value, bytes, sizeof value);
  std::memcpy(&places, bytes + 8, sizeof places);
  const char *unit = Units[bytes[12] % (sizeof Units / sizeof Units[0])];

  // Step 2: the plain number text of the rounded value.
  const Extended roundedValue = RoundDecimals(value, places);
  const long double rounded = ToLongDouble(roundedValue);
  if (std::isnan(value) || std::isinf(value))
    Require(std::isnan(value) ? std::isnan(rounded) : rounded == value);
  const std::string plain = NumberText(roundedValue);
  Require((plain[0] == '-') == (rounded < 0));
  CheckReadsBack(CheckNumberText(plain), rounded);

  // Step 3: the engineering text is number, blank, prefix, unit.
  const std::string text = EngineeringFormatter(value, places, unit);
  const std::size_t unitLength = std::strlen(unit);
  Require(text.size() > unitLength + 2);
  Require(text.compare(text.size() - unitLength, unitLength, unit) == 0);
  std::string_view head(text.data(), text.size() - unitLength);
  int exponent = 0;
  if (head.back() != ' ') {
    std::size_t p = Prefixes.find(head.back());
    Require(p != std::string_view::npos);
    exponent = PrefixExponents[p];
    head.remove_suffix(1);
  }
  Require(head.back() == ' ');
  head.remove_suffix(1);
  const long double shown = CheckNumberText(head);

  // Step 4: the shown number times its prefix is the value, up to the
  // rounding to `places` decimals and to 15 significant digits.
  if (std::isfinite(value) && head.substr(1) != InfinityDigits) {
    const long double scaled = value / std::pow(10.0L, exponent);
    const int kept = places > 18 ? 18 : places < -18 ? -18 : places;
    const long double slack = 0.5L * std::pow(10.0L, -kept) + 1e-14L * std::fabs(scaled);
    Require(std::fabs(shown - scaled) <= slack * (1 + 1e-12L));
    // Outside the two end bands the scaled number lies in [1, 1000].
    if (exponent != -18 && exponent != 12 && kept >= 0)
      Require(std::fabs(scaled) >= 1 - 1e-6L && std::fabs(scaled) < 1000 * (1 + 1e-6L));
  }
  return 0;
}

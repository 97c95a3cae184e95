// Field-by-field expectations for a completed CalcState.
#pragma once

#include "core/CalcState.h"
#include "core/RunCalc.h"

#include <gtest/gtest.h>

#include <cmath>
#include <cstdio>
#include <initializer_list>
#include <limits>
#include <string>
#include <string_view>
#include <vector>

inline constexpr double NaN = std::numeric_limits<double>::quiet_NaN();
inline constexpr double Inf = std::numeric_limits<double>::infinity();

// One expected field: NaN, infinities and zeros (with their sign) must match
// exactly; any other value to ten significant digits.
struct FieldValue {
  double CalcState::*field;
  const char *name;
  double expected;
};

#define FIELD(name, value)                                                                         \
  FieldValue { &CalcState::name, #name, value }

inline std::string TenDigits(double v) {
  char text[40];
  std::snprintf(text, sizeof text, "%.9e", v);
  return text;
}

inline ::testing::AssertionResult Matches(double actual, double expected) {
  bool ok;
  if (std::isnan(expected))
    ok = std::isnan(actual);
  else if (expected == 0 || std::isinf(expected))
    ok = actual == expected && std::signbit(actual) == std::signbit(expected);
  else
    ok = TenDigits(actual) == TenDigits(expected);
  if (ok)
    return ::testing::AssertionSuccess();
  return ::testing::AssertionFailure()
         << "got " << TenDigits(actual) << " (" << std::hexfloat << actual << std::defaultfloat
         << "), expected " << TenDigits(expected);
}

inline CalcState Calculate(int mode, std::initializer_list<std::string_view> rows) {
  CalcState s;
  const std::vector<std::string_view> texts(rows);
  RunCalc(s, mode, texts);
  return s;
}

inline void ExpectFields(const CalcState &s, const std::vector<FieldValue> &fields,
                         const std::string &label) {
  for (const FieldValue &f : fields)
    EXPECT_TRUE(Matches(s.*f.field, f.expected)) << label << ", field " << f.name;
}

#include "core/PowersOfTen.h"

#include "core/PowersOfTenTable.h"

#include <limits>

namespace {

// 10^0 .. 10^7, exact in any floating-point format.
constexpr long double SmallPowersOfTen[8] = {1.0L,     10.0L,     100.0L,     1000.0L,
                                             10000.0L, 100000.0L, 1000000.0L, 10000000.0L};

} // namespace

long double PowerOfTen(int n) {
  if (n <= 0)
    return 1.0L;
  // Exponents past 4096 take one extra factor 10^4096 at the very end.
  const bool extraTop = n > 4096;
  if (extraTop)
    n -= 4096;
  const int tableBits = n / 8;
  // The table reaches 10^(8 * 1023); anything beyond lies far past the range.
  if (tableBits >= (1 << PowersOfTenTableSize))
    return std::numeric_limits<long double>::infinity();
  long double power = SmallPowersOfTen[n % 8];
  for (int i = 0; i < PowersOfTenTableSize; ++i)
    if (tableBits & (1 << i))
      power *= PowersOfTenTable[i];
  if (extraTop)
    power *= PowersOfTenTable[PowersOfTenTableSize - 1];
  return power;
}

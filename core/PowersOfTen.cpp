#include "core/PowersOfTen.h"

#include "core/PowersOfTenTable.h"

namespace {

// 10^0 .. 10^7, exact integers.
constexpr Extended SmallPowersOfTen[8] = {1, 10, 100, 1000, 10000, 100000, 1000000, 10000000};

} // namespace

Extended PowerOfTen(int n) {
  if (n <= 0)
    return 1;
  // Exponents past 4096 take one extra factor 10^4096 at the very end.
  const bool extraTop = n > 4096;
  if (extraTop)
    n -= 4096;
  const int tableBits = n / 8;
  // The table reaches 10^(8 * 1023); anything beyond lies far past the range.
  if (tableBits >= (1 << PowersOfTenTableSize))
    return ExtendedInfinity;
  Extended power = SmallPowersOfTen[n % 8];
  for (int i = 0; i < PowersOfTenTableSize; ++i)
    if (tableBits & (1 << i))
      power *= PowersOfTenTable[i];
  if (extraTop)
    power *= PowersOfTenTable[PowersOfTenTableSize - 1];
  return power;
}

// The numeric mode the program keeps around every toolkit call and every
// callback: x87 at 64-bit precision, round to nearest, every exception
// masked; SSE round to nearest, no flush to zero. Shared by the Win32 and
// the Qt toolkit tests.
#pragma once

#include <functional>

#if defined(__i386__) || defined(__x86_64__)
// Whether the numeric mode is set now.
inline bool InNumericMode() {
  unsigned short word = 0;
  unsigned csr = 0;
  __asm__ volatile("fnstcw %0\n\tstmxcsr %1" : "=m"(word), "=m"(csr));
  return (word & 0x0F3F) == 0x033F && (csr & 0xFFC0) == 0x1F80;
}

// Spoils the numeric mode: x87 at 53 bits rounding toward zero, SSE flushing
// to zero and rounding down.
inline void SpoilNumericMode() {
  const unsigned short word = 0x0E7F;
  const unsigned csr = 0xBF80;
  __asm__ volatile("fldcw %0\n\tldmxcsr %1" : : "m"(word), "m"(csr));
}
#else
// 64-bit ARM: FPCR's rounding mode, flush-to-zero, default-NaN and trap
// bits all clear.
inline bool InNumericMode() {
  unsigned long fpcr = 0;
  __asm__ volatile("mrs %0, fpcr" : "=r"(fpcr));
  return (fpcr & 0x03C09F00) == 0;
}

// Spoils the numeric mode: rounding toward zero, flushing to zero.
inline void SpoilNumericMode() {
  const unsigned long fpcr = 0x01C00000;
  __asm__ volatile("msr fpcr, %0" : : "r"(fpcr));
}
#endif

// Whether `operation` returns in the numeric mode from a spoiled one.
inline bool RestoresNumericMode(const std::function<void()> &operation) {
  SpoilNumericMode();
  operation();
  return InNumericMode();
}

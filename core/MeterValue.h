// Values as an engineer writes them down from an instrument: "4.7n",
// "4.7nF", "4n7", "10k", "1.5µH", "100mOhm", "1e-9", "-12.5deg". Unlike the
// window's entry rows, which read whatever is typed, these are validated:
// a text that is not one whole value of the expected quantity is refused.
#pragma once

#include <string_view>

// What a value measures, and so which unit it may carry.
enum class Quantity {
  Frequency,   // Hz
  Capacitance, // F
  Inductance,  // H
  Resistance,  // Ohm, ohm, Ohms, ohms, Ω (U+03A9 or U+2126): resistance, reactance, |Z|
  Conductance, // S, mho, mhos: conductance, susceptance, |Y|
  Ratio,       // no unit: D, Q
  Degrees,     // deg, ° (U+00B0)
  Radians,     // rad
};

enum class MeterValueStatus {
  Ok,
  NotANumber, // not a decimal number with optional prefix and unit
  WrongUnit,  // a unit that does not fit the quantity
  OutOfRange, // beyond the range of a double
};

// Reads `text` as one value of `quantity`: an optional sign, decimal digits
// with an optional point and an optional exponent (e or E, signed), then an
// optional SI prefix (a f p n u µ μ m k M G T; µ and μ in UTF-8), then an
// optional unit of the quantity. The prefix may stand for the decimal point
// instead ("4n7" is 4.7n). The value is the decimal number times the
// prefix's power of ten, rounded once to the nearest double. Nothing else
// is accepted: no blanks, no second number, no infinity or NaN, nothing
// empty. Reads exactly `text`; never fails otherwise, keeps no state.
MeterValueStatus ParseMeterValue(std::string_view text, Quantity quantity, double &value);

// The quantity's unit as the companion names it in messages ("F", "Ohm",
// "deg"); the empty text for a ratio.
const char *QuantityUnit(Quantity quantity);

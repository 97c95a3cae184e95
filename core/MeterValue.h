// Values as an engineer writes them down from an instrument or a part's
// marking: "4.7n", "4.7nF", "4.7 nF", "4n7", "4K7", "1R5", "R47", "10k",
// "4.7meg", "1.5µH", "100mOhm", "4.7uf", "1e-9", "-12.5deg". Unlike the
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

// Which character separates a value's whole and fractional digits.
enum class DecimalMark {
  Point,  // "4.7"; a comma is refused
  Comma,  // "4,7"; a point is refused (it may be a thousands separator)
  Either, // "4.7" or "4,7"; a comma that may group thousands ("1,000") is refused
};

enum class MeterValueStatus {
  Ok,
  NotANumber,      // not a decimal number with optional prefix and unit
  WrongUnit,       // a unit that does not fit the quantity
  OutOfRange,      // beyond the range of a double
  AmbiguousPrefix, // m or M before a unit written in another letter case: milli or mega?
  AmbiguousComma,  // "1,000" with either mark: a decimal comma or a thousands separator?
  WrongMark,       // the decimal mark that the DecimalMark argument refuses
};

// Reads `text` as one value of `quantity`: an optional sign, decimal digits
// with an optional decimal mark and an optional exponent (e or E, signed),
// then, after at most one space, an optional prefix (a f p n u µ μ m k K
// M G T, or meg in any letter case; µ and μ in UTF-8) and an optional unit
// of the quantity. Units are read in any letter case ("uf", "hz", "OHM");
// the prefix keeps its case, and m or M before a unit whose case was not
// kept is refused as ambiguous. As in resistor and capacitor markings, a
// one-letter prefix, or R for ohms, may stand for the decimal mark ("4n7",
// "4K7", "1R5", "R47"); then no exponent, space or second prefix is taken,
// only a unit. R alone after a number is the ohm ("100R"). The value is the
// decimal number times the prefix's power of ten, rounded once to the
// nearest double. Nothing else is accepted: no leading or trailing blanks,
// no second number, no infinity or NaN, nothing empty. Reads exactly
// `text`; never fails otherwise, keeps no state, and leaves `value` alone
// unless it returns Ok.
MeterValueStatus ParseMeterValue(std::string_view text, Quantity quantity, double &value,
                                 DecimalMark mark = DecimalMark::Point);

// The quantity's unit as the companion names it in messages ("F", "Ohm",
// "deg"); the empty text for a ratio.
const char *QuantityUnit(Quantity quantity);

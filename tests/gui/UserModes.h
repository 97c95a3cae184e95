// The sixteen modes as the user sees them, written out here rather than
// taken from the catalogue, so that a slip in the catalogue shows: caption,
// button, rows as "label:unit|..." (the unit with its leading blank, no
// colon for no unit; a frequency row starts at "1000", any other at one
// blank; the caret goes to the first row that is not a frequency), hint.
// Shared by the Win32 and the Qt window tests.
#pragma once

#include <algorithm>
#include <string>
#include <utility>
#include <vector>

struct UserMode {
  const char *caption;
  int buttonId;
  const char *rows;
  std::string hint;
};

inline std::string Bridge() {
  return "Frequency entries provide the ratio for manual equipment having fixed frequency ranges "
         "like the GR 1603 Z-Y bridge.";
}

inline std::string Combined(const char *parts, const char *figure) {
  return std::string(parts) + " using the series model- note that the combined " + figure +
         " is also calculated.";
}

inline const UserMode UserModes[] = {
    {"R-X", 100, "Bridge f0: Hz|Actual f0: Hz|X: Ohms|R: Ohms", Bridge()},
    {"G-B", 101, "Bridge f0: Hz|Actual f0: Hz|G: umhos|B: umhos", Bridge()},
    {"Cs-D", 102, "F: Hz|Cs: uF|DF", "Series Model"},
    {"Cp-D", 103, "F: Hz|Cp: uF|DF", "Parallel Model"},
    {"Cs-R", 106, "F: Hz|Cs: uF|R: Ohms", "Series Model"},
    {"Cs||Cs", 112, "F: Hz|Cs1: uF|D1|Cs2: uF|D2",
     Combined("Paralleled capacitors", "dissipation factor")},
    {"Ls-Q", 104, "F: Hz|Ls: mH|Q", "Series Model"},
    {"Lp-Q", 105, "F: Hz|Lp: mH|Q", "Parallel Model"},
    {"V-Z", 107, "F: Hz|Z: Ohms|Phase angle: deg.",
     "This mode is included for use with vector impedance analyzers like the HP4800A and HP4815A."},
    {"Cs-Cs", 113, "F: Hz|Cs1: uF|D1|Cs2: uF|D2",
     Combined("Series capacitors", "dissipation factor")},
    {"Ls||Ls", 114, "F: Hz|Ls1: mH|Q1|Ls2: mH|Q2", Combined("Paralleled inductors", "Q")},
    {"Ls-Ls", 115, "F: Hz|Ls1: mH|Q1|Ls2: mH|Q2", Combined("Series inductors", "Q")},
    {"IVP", 116, "F: Hz|voltage: V|current: A|phase: deg.",
     "Values based on voltage across the part, current through the part, and the phase angle "
     "between voltage and current."},
    {"Lp-R", 119, "F: Hz|Lp: mH|Rp: Ohms", "Parallel Model"},
    {"Ls-R", 120, "F: Hz|Ls: mH|Rs: Ohms", "Series Model"},
    {"Cp-Rp", 121, "F: Hz|Cp: uF|Rp: Ohms", "Parallel Model"},
};

// A mode's rows: (label, unit) each, the unit empty for none.
inline std::vector<std::pair<std::string, std::string>> RowsOf(const UserMode &mode) {
  std::vector<std::pair<std::string, std::string>> rows;
  const std::string text = mode.rows;
  for (std::size_t start = 0; start <= text.size();) {
    const std::size_t end = std::min(text.find('|', start), text.size()),
                      colon = std::min(text.find(':', start), end);
    rows.emplace_back(text.substr(start, colon - start),
                      colon < end ? text.substr(colon + 1, end - colon - 1) : "");
    start = end + 1;
  }
  return rows;
}

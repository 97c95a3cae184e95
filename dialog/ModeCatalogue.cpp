#include "dialog/ModeCatalogue.h"

namespace {

constexpr EntryRowDefinition Freq{"F", "1000", " Hz"};
constexpr const char* Blank = " ";

constexpr const char* BridgeHint =
    "Frequency entries provide the ratio for manual equipment having fixed "
    "frequency ranges like the GR 1603 Z-Y bridge.";

} // namespace

const ModeDescriptor ModeCatalogue[16] = {
    {1, 100, "R-X", 4,
     {{"Bridge f0", "1000", " Hz"}, {"Actual f0", "1000", " Hz"}, {"X", Blank, " Ohms"},
      {"R", Blank, " Ohms"}, {}},
     BridgeHint, 3},
    {2, 101, "G-B", 4,
     {{"Bridge f0", "1000", " Hz"}, {"Actual f0", "1000", " Hz"}, {"G", Blank, " umhos"},
      {"B", Blank, " umhos"}, {}},
     BridgeHint, 3},
    {3, 102, "Cs-D", 3, {Freq, {"Cs", Blank, " uF"}, {"DF", Blank, nullptr}, {}, {}},
     "Series Model", 2},
    {4, 103, "Cp-D", 3, {Freq, {"Cp", Blank, " uF"}, {"DF", Blank, nullptr}, {}, {}},
     "Parallel Model", 2},
    {5, 106, "Cs-R", 3, {Freq, {"Cs", Blank, " uF"}, {"R", Blank, " Ohms"}, {}, {}},
     "Series Model", 2},
    {6, 112, "Cs||Cs", 5,
     {Freq, {"Cs1", Blank, " uF"}, {"D1", Blank, nullptr}, {"Cs2", Blank, " uF"},
      {"D2", Blank, nullptr}},
     "Paralleled capacitors using the series model- note that the combined "
     "dissipation factor is also calculated.",
     2},
    {7, 104, "Ls-Q", 3, {Freq, {"Ls", Blank, " mH"}, {"Q", Blank, nullptr}, {}, {}},
     "Series Model", 2},
    {8, 105, "Lp-Q", 3, {Freq, {"Lp", Blank, " mH"}, {"Q", Blank, nullptr}, {}, {}},
     "Parallel Model", 2},
    {9, 107, "V-Z", 3,
     {Freq, {"Z", Blank, " Ohms"}, {"Phase angle", Blank, " deg."}, {}, {}},
     "This mode is included for use with vector impedance analyzers like the "
     "HP4800A and HP4815A.",
     2},
    {10, 113, "Cs-Cs", 5,
     {Freq, {"Cs1", Blank, " uF"}, {"D1", Blank, nullptr}, {"Cs2", Blank, " uF"},
      {"D2", Blank, nullptr}},
     "Series capacitors using the series model- note that the combined "
     "dissipation factor is also calculated.",
     2},
    {11, 114, "Ls||Ls", 5,
     {Freq, {"Ls1", Blank, " mH"}, {"Q1", Blank, nullptr}, {"Ls2", Blank, " mH"},
      {"Q2", Blank, nullptr}},
     "Paralleled inductors using the series model- note that the combined Q "
     "is also calculated.",
     2},
    {12, 115, "Ls-Ls", 5,
     {Freq, {"Ls1", Blank, " mH"}, {"Q1", Blank, nullptr}, {"Ls2", Blank, " mH"},
      {"Q2", Blank, nullptr}},
     "Series inductors using the series model- note that the combined Q is "
     "also calculated.",
     2},
    {13, 116, "IVP", 4,
     {Freq, {"voltage", Blank, " V"}, {"current", Blank, " A"}, {"phase", Blank, " deg."},
      {}},
     "Values based on voltage across the part, current through the part, and "
     "the phase angle between voltage and current.",
     2},
    {14, 119, "Lp-R", 3, {Freq, {"Lp", Blank, " mH"}, {"Rp", Blank, " Ohms"}, {}, {}},
     "Parallel Model", 2},
    {15, 120, "Ls-R", 3, {Freq, {"Ls", Blank, " mH"}, {"Rs", Blank, " Ohms"}, {}, {}},
     "Series Model", 2},
    {16, 121, "Cp-Rp", 3, {Freq, {"Cp", Blank, " uF"}, {"Rp", Blank, " Ohms"}, {}, {}},
     "Parallel Model", 2},
};

const ModeDescriptor* FindModeByButton(int buttonId) {
  for (const ModeDescriptor& m : ModeCatalogue)
    if (m.buttonId == buttonId)
      return &m;
  return nullptr;
}

const ModeDescriptor* FindModeById(int modeId) {
  if (modeId < 1 || modeId > 16)
    return nullptr;
  return &ModeCatalogue[modeId - 1];
}

const ModeDescriptor* FindModeByCaption(std::string_view caption) {
  auto lower = [](char c) { return c >= 'A' && c <= 'Z' ? char(c - 'A' + 'a') : c; };
  for (const ModeDescriptor& m : ModeCatalogue) {
    std::string_view name = m.caption;
    if (name.size() != caption.size())
      continue;
    bool same = true;
    for (std::size_t i = 0; i < name.size() && same; ++i)
      same = lower(name[i]) == lower(caption[i]);
    if (same)
      return &m;
  }
  return nullptr;
}

#include "core/Modes.h"

#include "core/AsciiCase.h"

namespace {

constexpr EntryRowDefinition Freq{"F", "1000", " Hz"};
constexpr const char *Blank = " ";

} // namespace

const ModeRows ModeRowsTable[ModeCount] = {
    {1,
     "R-X",
     4,
     {{"Bridge f0", "1000", " Hz"},
      {"Actual f0", "1000", " Hz"},
      {"X", Blank, " Ohms"},
      {"R", Blank, " Ohms"},
      {}}},
    {2,
     "G-B",
     4,
     {{"Bridge f0", "1000", " Hz"},
      {"Actual f0", "1000", " Hz"},
      {"G", Blank, " umhos"},
      {"B", Blank, " umhos"},
      {}}},
    {3, "Cs-D", 3, {Freq, {"Cs", Blank, " uF"}, {"DF", Blank, nullptr}, {}, {}}},
    {4, "Cp-D", 3, {Freq, {"Cp", Blank, " uF"}, {"DF", Blank, nullptr}, {}, {}}},
    {5, "Cs-R", 3, {Freq, {"Cs", Blank, " uF"}, {"R", Blank, " Ohms"}, {}, {}}},
    {6,
     "Cs||Cs",
     5,
     {Freq,
      {"Cs1", Blank, " uF"},
      {"D1", Blank, nullptr},
      {"Cs2", Blank, " uF"},
      {"D2", Blank, nullptr}}},
    {7, "Ls-Q", 3, {Freq, {"Ls", Blank, " mH"}, {"Q", Blank, nullptr}, {}, {}}},
    {8, "Lp-Q", 3, {Freq, {"Lp", Blank, " mH"}, {"Q", Blank, nullptr}, {}, {}}},
    {9, "V-Z", 3, {Freq, {"Z", Blank, " Ohms"}, {"Phase angle", Blank, " deg."}, {}, {}}},
    {10,
     "Cs-Cs",
     5,
     {Freq,
      {"Cs1", Blank, " uF"},
      {"D1", Blank, nullptr},
      {"Cs2", Blank, " uF"},
      {"D2", Blank, nullptr}}},
    {11,
     "Ls||Ls",
     5,
     {Freq,
      {"Ls1", Blank, " mH"},
      {"Q1", Blank, nullptr},
      {"Ls2", Blank, " mH"},
      {"Q2", Blank, nullptr}}},
    {12,
     "Ls-Ls",
     5,
     {Freq,
      {"Ls1", Blank, " mH"},
      {"Q1", Blank, nullptr},
      {"Ls2", Blank, " mH"},
      {"Q2", Blank, nullptr}}},
    {13,
     "IVP",
     4,
     {Freq, {"voltage", Blank, " V"}, {"current", Blank, " A"}, {"phase", Blank, " deg."}, {}}},
    {14, "Lp-R", 3, {Freq, {"Lp", Blank, " mH"}, {"Rp", Blank, " Ohms"}, {}, {}}},
    {15, "Ls-R", 3, {Freq, {"Ls", Blank, " mH"}, {"Rs", Blank, " Ohms"}, {}, {}}},
    {16, "Cp-Rp", 3, {Freq, {"Cp", Blank, " uF"}, {"Rp", Blank, " Ohms"}, {}, {}}},
};

const ModeRows *FindModeRows(int modeId) {
  if (modeId < 1 || modeId > ModeCount)
    return nullptr;
  return &ModeRowsTable[modeId - 1];
}

const ModeRows *FindModeRowsByCaption(std::string_view caption) {
  for (const ModeRows &m : ModeRowsTable)
    if (EqualIgnoringAsciiCase(m.caption, caption))
      return &m;
  return nullptr;
}

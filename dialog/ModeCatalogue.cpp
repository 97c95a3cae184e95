#include "dialog/ModeCatalogue.h"

namespace {

constexpr const char *BridgeHint =
    "Frequency entries provide the ratio for manual equipment having fixed "
    "frequency ranges like the GR 1603 Z-Y bridge.";

constexpr const ModeRows &Rows(int modeId) { return ModeRowsTable[modeId - 1]; }

} // namespace

// The caret goes to the first row that is not a frequency.
const ModeDescriptor ModeCatalogue[ModeCount] = {
    {Rows(1), 100, BridgeHint, 3},
    {Rows(2), 101, BridgeHint, 3},
    {Rows(3), 102, "Series Model", 2},
    {Rows(4), 103, "Parallel Model", 2},
    {Rows(5), 106, "Series Model", 2},
    {Rows(6), 112,
     "Paralleled capacitors using the series model- note that the combined "
     "dissipation factor is also calculated.",
     2},
    {Rows(7), 104, "Series Model", 2},
    {Rows(8), 105, "Parallel Model", 2},
    {Rows(9), 107,
     "This mode is included for use with vector impedance analyzers like the "
     "HP4800A and HP4815A.",
     2},
    {Rows(10), 113,
     "Series capacitors using the series model- note that the combined "
     "dissipation factor is also calculated.",
     2},
    {Rows(11), 114,
     "Paralleled inductors using the series model- note that the combined Q "
     "is also calculated.",
     2},
    {Rows(12), 115,
     "Series inductors using the series model- note that the combined Q is "
     "also calculated.",
     2},
    {Rows(13), 116,
     "Values based on voltage across the part, current through the part, and "
     "the phase angle between voltage and current.",
     2},
    {Rows(14), 119, "Parallel Model", 2},
    {Rows(15), 120, "Series Model", 2},
    {Rows(16), 121, "Parallel Model", 2},
};

const ModeDescriptor *FindModeByButton(int buttonId) {
  for (const ModeDescriptor &m : ModeCatalogue)
    if (m.buttonId == buttonId)
      return &m;
  return nullptr;
}

const ModeDescriptor *FindModeById(int modeId) {
  if (modeId < 1 || modeId > ModeCount)
    return nullptr;
  return &ModeCatalogue[modeId - 1];
}

const ModeDescriptor *FindModeByCaption(std::string_view caption) {
  const ModeRows *rows = FindModeRowsByCaption(caption);
  return rows != nullptr ? FindModeById(rows->ModeId) : nullptr;
}

// The sixteen modes as the calculation reads them: each mode's name and its
// entry rows (label, default text, unit), row 1 first. The dialog adds its
// button, hint and caret row to each; the companion reads them as they are.
#pragma once

#include <string_view>

inline constexpr int ModeCount = 16;

struct EntryRowDefinition {
  const char *name;        // label text, e.g. "Cs"
  const char *defaultText; // "1000" or a single space
  const char *unit;        // " uF"..., or nullptr when the row has no unit
};

struct ModeRows {
  int ModeId;          // 1..16
  const char *caption; // the mode's name, also the caption of its button
  int rowCount;        // 3 to 5: the rows the mode reads
  EntryRowDefinition rows[5];
};

// All sixteen, in ModeId order (ModeRowsTable[i].ModeId == i + 1).
extern const ModeRows ModeRowsTable[ModeCount];

// The rows of ModeId 1..16; nullptr for any other id.
const ModeRows *FindModeRows(int modeId);

// The mode whose caption equals `caption` ignoring ASCII case ("cs||cs"
// finds "Cs||Cs"); nullptr when none does.
const ModeRows *FindModeRowsByCaption(std::string_view caption);

// The sixteen conversion modes as the dialog offers them: each mode's entry
// rows (from the calculation's mode table) with its button, hint and the
// row that gets the caret.
#pragma once

#include "core/Modes.h"

#include <string_view>

struct ModeDescriptor {
  const ModeRows &entry; // ModeId, caption, rows
  int buttonId;          // identifier of the mode button
  const char *hint;
  int focusRow; // row whose text box gets the caret
};

// All sixteen descriptors, in ModeId order (ModeCatalogue[i].entry.ModeId == i + 1).
extern const ModeDescriptor ModeCatalogue[ModeCount];

// The descriptor of a mode button; nullptr for any other identifier.
const ModeDescriptor *FindModeByButton(int buttonId);

// The descriptor of a ModeId 1..16; nullptr otherwise.
const ModeDescriptor *FindModeById(int modeId);

// The descriptor whose caption equals `caption` ignoring ASCII case
// ("cs||cs" finds "Cs||Cs"); nullptr when none does.
const ModeDescriptor *FindModeByCaption(std::string_view caption);

// The sixteen conversion modes as data: button, entry rows, hint, focus row.
#pragma once

#include <optional>
#include <string_view>

struct EntryRowDefinition {
  const char* name;        // label text, e.g. "Cs"
  const char* defaultText; // "1000" or a single space
  const char* unit;        // " uF"..., or nullptr when the row has no unit
};

struct ModeDescriptor {
  int ModeId;             // 1..16
  int buttonId;           // identifier of the mode button
  const char* caption;    // caption of the mode button
  int rowCount;           // 3 to 5
  EntryRowDefinition rows[5];
  const char* hint;
  int focusRow;           // row whose text box gets the caret
};

// All sixteen descriptors, in ModeId order (ModeCatalogue[i].ModeId == i + 1).
extern const ModeDescriptor ModeCatalogue[16];

// The descriptor of a mode button; nullptr for any other identifier.
const ModeDescriptor* FindModeByButton(int buttonId);

// The descriptor of a ModeId 1..16; nullptr otherwise.
const ModeDescriptor* FindModeById(int modeId);

// The descriptor whose caption equals `caption` ignoring ASCII case
// ("cs||cs" finds "Cs||Cs"); nullptr when none does.
const ModeDescriptor* FindModeByCaption(std::string_view caption);

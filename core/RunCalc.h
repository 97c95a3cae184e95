// Reduction of one mode's entry texts to a completed CalcState.
#pragma once

#include "core/CalcState.h"
#include "core/Modes.h"

#include <span>
#include <string_view>

// Number of entry rows that mode `modeId` (1..16) reads (its rowCount in
// ModeRowsTable); 0 for any other id.
int ModeRowCount(int modeId);

// Parses `rows` (row 1 first) with ParseNumber, converts units, reduces them
// to the series or parallel model and derives every quantity into `s`.
// A row missing from `rows` reads as the empty text (zero). An unknown
// `modeId` leaves `s` untouched. Never fails and never validates.
void RunCalc(CalcState &s, int modeId, std::span<const std::string_view> rows);

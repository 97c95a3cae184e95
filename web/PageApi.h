// The browser page's C interface to the program: every text the page shows
// is made here, by the routines the window and the companion use, and the
// page's script only places it. Texts are UTF-8 and stay valid until the
// next call of the same routine. Nothing here fails or keeps more than the
// page's one calculation record.
#pragma once

extern "C" {

// What the page is built from, as one JSON object: the window's title; the
// captions of Calc, Print and (c); the no-mode warning and the information
// box with their captions; the sixteen modes in the window's button order,
// each with its ModeId, caption, hint, caret row and entry rows (label,
// default text, unit or null); the twenty meter pairs with what A and B are.
const char *PageCatalogue();

// The Calc command: the entry texts of mode `modeId` (row 1 first, `count`
// of them) into the page's calculation record, as the window computes them;
// returns the result panel, one "NAME<TAB>VALUE" line per row ("NAME" alone
// for the purely-resistive message), as `calvora-cli calc --panel` prints it.
// An unknown mode leaves the record as it was and gives the panel of it.
const char *PageCalc(int modeId, int count, const char *const *texts);

// The printed report of the page's calculation record (all zero before the
// first Calc), one line each, as `calvora-cli calc --report` prints it.
const char *PageReport();

// calvora-cli convert [--accuracy ACC_A ACC_B] -- PAIR F A B with the texts
// as typed; both accuracies empty leave --accuracy out. Returns the exit
// code; PageConvertOutput and PageConvertProblem hold what it wrote.
int PageConvert(const char *pair, const char *f, const char *a, const char *b,
                const char *accuracyA, const char *accuracyB);

// What the last PageConvert wrote to standard output.
const char *PageConvertOutput();

// What the last PageConvert reported, without the program's name in front
// and without the pointer to --help; empty when it reported nothing.
const char *PageConvertProblem();

// Which text that report is about: 0 F, 1 A, 2 B, 3 ACC_A, 4 ACC_B, or -1
// when it names none of them.
int PageConvertProblemField();
}

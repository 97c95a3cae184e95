// The page's WebAssembly module under node against the Linux calvora-cli of
// the same tree, byte for byte: all sixteen modes and all twenty meter pairs.
'use strict';

const { test, before } = require('node:test');
const assert = require('node:assert/strict');
const { runCli, linesOf, variedRows, loadPageModule, convertArguments, expectedProblem, helpLists } =
  require('./support.js');

let page, catalogue;
before(async () => {
  page = await loadPageModule();
  catalogue = page.catalogue();
});

// Byte for byte (latin1 maps each byte to one character), readable when they differ.
const assertSameBytes = (got, want, label) => assert.equal(got.toString('latin1'), want.toString('latin1'), label);

test('the catalogue has the window\'s modes in its order and the companion\'s rows and pairs', () => {
  const help = helpLists();
  // The window's mode buttons, row by row.
  assert.deepEqual(catalogue.modes.map((m) => m.caption), ['Ls-R', 'R-X', 'Cs-D', 'Cp-D', 'Cs||Cs', 'Cs-Cs',
    'Cs-R', 'V-Z', 'Lp-R', 'G-B', 'Ls-Q', 'Lp-Q', 'Ls||Ls', 'Ls-Ls', 'IVP', 'Cp-Rp']);
  assert.deepEqual(catalogue.modes.map((m) => ({ id: m.id, caption: m.caption, rows: m.rows.map((r) => r.name) }))
    .sort((x, y) => x.id - y.id), help.modes);
  assert.deepEqual(catalogue.pairs.map(({ name, aMeaning, bMeaning }) => ({ name, aMeaning, bMeaning })), help.pairs);
});

test('Calc gives the panel and the report of calc --panel and calc --report, every mode', () => {
  // Per mode: its defaults, texts giving every shape of panel (purely resistive, NaN
  // without Q and D, infinities, radix and D exponents), then 30 rows of the varied log.
  const varied = variedRows(5, 16 * 30, 1900, false);
  assert.equal(varied.length, 16 * 30);
  for (const [index, mode] of catalogue.modes.entries()) {
    const defaults = mode.rows.map((r) => r.text);
    const cases = [defaults, defaults.map((t, i) => (i === 0 ? t : '0')),
      defaults.map((t, i) => (i === 0 ? t : String(i * 3.5))), defaults.map((t, i) => (i === 0 ? '0' : '1e308')),
      defaults.map(() => ''), defaults.map((t, i) => (i === 0 ? '&H3E8' : '-2.5E-3')),
      ...varied.slice(index * 30, index * 30 + 30).map((texts) => texts.slice(0, mode.rows.length))];
    for (const texts of cases) {
      const args = ['--', String(mode.id), ...texts];
      const label = `${mode.caption} ${JSON.stringify(texts)}`;
      assertSameBytes(page.calc(mode.id, texts), runCli(['calc', '--panel', ...args]).out, `${label}: panel`);
      assertSameBytes(page.report(), runCli(['calc', '--report', ...args]).out, `${label}: report`);
    }
  }
});

// Accuracies: none, percentages, amounts, and refused ones (one left empty,
// not a number, negative).
const Accuracies = [['', ''], ['0.05%', '0.0005'], ['1%', '2%'], ['0.1%', '0'], ['0', '0'],
  ['', '1%'], ['1%', ''], ['x', '1%'], ['1%', '-2%'], ['5%%', '1%'], ['10%', '1e3']];

// Texts at the ends of the double range, where the value reader's one
// conversion overflows, underflows or just stays in range.
const RangeTexts = ['1e400', '-1e400', '1e-400', '4.9e-324', '2.4703282292062327e-324',
  '2.4703282292062328e-324', '1.7976931348623158e308', '1.7976931348623159e308', '1e-310',
  '0e-999', '0.000e5', '100000e-329', '-0', '1.5e-5T'];

test('the meter conversion gives what calvora-cli convert gives, every pair', () => {
  let compared = 0;
  const compare = (texts) => {
    const [got, want] = [page.convert(texts), runCli(convertArguments(...texts))];
    assert.deepEqual([got.code, got.output.toString('latin1'), got.problem],
      [want.code, want.out.toString('latin1'), expectedProblem(want.err)], JSON.stringify(texts));
    ++compared;
  };
  const varied = variedRows(3, 20 * 22, 1950, true);
  catalogue.pairs.forEach((pair, index) => {
    varied.slice(index * 22, index * 22 + 22).forEach((fab, i) => compare([pair.name, ...fab, ...Accuracies[i % 11]]));
    // The range texts in a few pairs of each kind of reading, as F, A and B.
    if (!['Cs-D', 'Lp-G', 'R-X', 'Z-thd', 'Y-thr'].includes(pair.name)) return;
    for (const text of RangeTexts) {
      compare([pair.name, '1kHz', text, '0.5', '', '']);
      compare([pair.name, text, '2.2', '0.5', '1%', '1%']);
      compare([pair.name, '10kHz', '3.3', text, '0.5%', '0.01']);
    }
  });
  assert.ok(compared >= 20 * 22 + 5 * 42, `${compared} comparisons`);
});

test('a refused text is attributed to its field, and nothing is printed', () => {
  // Field 0 F, 1 A, 2 B, 3 ACC_A, 4 ACC_B; -1 for a reading that converts.
  for (const [field, ...texts] of [[0, 'Cp-D', '1kQ', '4.7n', '0.001', '', ''],
    [1, 'Cp-D', '1kHz', '4.7nH', '0.001', '', ''], [2, 'Cp-D', '1kHz', '4.7n', 'many', '', ''],
    [1, 'Ls-Q', '1kHz', '-10m', '50', '', ''], [4, 'Cp-D', '1kHz', '4.7n', '0.001', '0.05', 'x'],
    [3, 'Cp-D', '1kHz', '4.7n', '0.001', '-1%', '1%'], [3, 'Cp-D', '1kHz', '4.7n', '0.001', '', '1%'],
    [-1, 'Cp-D', '1kHz', '4.7n', '0.001', '', '']]) {
    const got = page.convert(texts);
    assert.deepEqual([got.code, got.field, linesOf(got.output).length > 0], [field < 0 ? 0 : 2, field, field < 0],
      `${JSON.stringify(texts)}: ${got.problem}`);
  }
});

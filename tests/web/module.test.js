// The page's WebAssembly module under node against the Linux calvora-cli of
// the same tree, byte for byte: the result panel and the report of all
// sixteen modes over varied entry texts, and the meter conversion of all
// twenty pairs over varied readings, with and without accuracy, refusals
// included.
'use strict';

const { test, before } = require('node:test');
const assert = require('node:assert/strict');
const {
  runCli, linesOf, variedRows, loadPageModule, convertArguments, expectedProblem, helpLists,
} = require('./support.js');

let page;
let catalogue;

// Byte for byte, shown as text when they differ.
function assertSameBytes(got, want, label) {
  if (got.equals(want)) return;
  assert.equal(got.toString('utf8'), want.toString('utf8'), label);
  assert.fail(`${label}: ${got.toString('hex')} differs from ${want.toString('hex')}`);
}

before(async () => {
  page = await loadPageModule();
  catalogue = page.catalogue();
});

// The mode buttons in the window's grid, row by row.
const WindowButtonOrder = ['Ls-R', 'R-X', 'Cs-D', 'Cp-D', 'Cs||Cs', 'Cs-Cs', 'Cs-R', 'V-Z',
  'Lp-R', 'G-B', 'Ls-Q', 'Lp-Q', 'Ls||Ls', 'Ls-Ls', 'IVP', 'Cp-Rp'];

test('the catalogue has the window\'s modes in its order and the companion\'s rows and pairs', () => {
  const help = helpLists();
  assert.deepEqual(catalogue.modes.map((m) => m.caption), WindowButtonOrder);
  for (const mode of catalogue.modes) {
    const listed = help.modes.find((m) => m.id === mode.id);
    assert.ok(listed, `mode ${mode.id} is not in --help`);
    assert.equal(mode.caption, listed.caption);
    assert.deepEqual(mode.rows.map((r) => r.name), listed.rows, mode.caption);
    // The caret goes to the first row that is not a pre-filled frequency.
    assert.equal(mode.focusRow, mode.rows.findIndex((r) => r.text !== '1000') + 1, mode.caption);
    for (const row of mode.rows) assert.ok(row.text === '1000' || row.text === ' ', mode.caption);
  }
  assert.deepEqual(catalogue.pairs.map((p) => ({ name: p.name, aMeaning: p.aMeaning, bMeaning: p.bMeaning })),
    help.pairs);
  assert.equal(catalogue.calc, 'Calc');
  assert.equal(catalogue.print, 'Print');
  assert.equal(catalogue.about, '(c)');
  assert.equal(catalogue.warning, 'Please select a mode then enter some data!');
  assert.equal(catalogue.aboutText.split('\r\n').length, 7);
});

test('the report before any Calc is the all-zero record\'s', async () => {
  const fresh = await loadPageModule();
  assert.equal(fresh.report().toString('utf8'), [
    'F =  0 aHz', 'Z =  0 aOhms', 'Rs =  0 aOhms', 'Xs =  0 aOhms', 'Y =  0 amhos', 'Gp =  0 amhos',
    'Bp =  0 amhos', 'Device is purely resistive', 'Rp =  0 aOhms', 'Phase angle =  0 degrees', '',
  ].join('\n'));
});

// The window's own entry texts, and texts that reach every shape of panel:
// purely resistive (Bp zero), NaN (no Q and D), infinities; then 30 rows of
// the varied log for each mode.
const VariedPerMode = 30;
let variedCalc;

function calcCases(mode, index) {
  const defaults = mode.rows.map((r) => r.text);
  const shaped = [
    defaults,
    defaults.map((t, i) => (i === 0 ? t : '0')),
    defaults.map((t, i) => (i === 0 ? t : String(i * 3.5))),
    defaults.map((t, i) => (i === 0 ? '0' : '1e308')),
    defaults.map(() => ''),
    defaults.map((t, i) => (i === 0 ? '&H3E8' : '-2.5E-3')),
  ];
  variedCalc = variedCalc || variedRows(5, 16 * VariedPerMode, 1900, false);
  const varied = variedCalc.slice(index * VariedPerMode, (index + 1) * VariedPerMode);
  return shaped.concat(varied.map((texts) => texts.slice(0, mode.rows.length)));
}

test('Calc gives the panel and the report of calc --panel and calc --report, every mode', () => {
  let compared = 0;
  for (const [index, mode] of catalogue.modes.entries()) {
    for (const texts of calcCases(mode, index)) {
      const args = ['--', String(mode.id)].concat(texts);
      const panel = page.calc(mode.id, texts);
      const expectedPanel = runCli(['calc', '--panel'].concat(args));
      assert.equal(expectedPanel.code, 0);
      assertSameBytes(panel, expectedPanel.out, `${mode.caption} ${JSON.stringify(texts)}: panel`);
      assertSameBytes(page.report(), runCli(['calc', '--report'].concat(args)).out,
        `${mode.caption} ${JSON.stringify(texts)}: report`);
      compared += 2;
    }
  }
  assert.ok(compared >= 16 * 2 * 36, `${compared} comparisons`);
});

test('a mode change leaves the record as the last Calc left it', () => {
  page.calc(3, ['1000', '1', '.01']);
  const report = page.report();
  page.calc(99, ['1', '2', '3']);
  assert.deepEqual(page.report(), report);
});

// Accuracies: none, percentages, amounts, and refused ones (one left
// empty, not a number, negative).
const Accuracies = [['', ''], ['0.05%', '0.0005'], ['1%', '2%'], ['0.1%', '0'], ['0', '0'],
  ['', '1%'], ['1%', ''], ['x', '1%'], ['1%', '-2%'], ['5%%', '1%'], ['10%', '1e3']];

// Texts at the ends of the double range, where the value reader's one
// conversion overflows, underflows or just stays in range; tried in a few
// pairs of each kind of reading.
const RangeTexts = ['1e400', '-1e400', '1e-400', '4.9e-324', '2.4703282292062327e-324',
  '2.4703282292062328e-324', '1.7976931348623158e308', '1.7976931348623159e308', '1e-310',
  '0e-999', '0.000e5', '100000e-329', '-0', '1.5e-5T'];

test('the meter conversion gives what calvora-cli convert gives, every pair', () => {
  let compared = 0;
  const compare = (texts) => {
    const got = page.convert(texts);
    const want = runCli(convertArguments(...texts));
    const label = JSON.stringify(texts);
    assert.equal(got.code, want.code, label);
    assertSameBytes(got.output, want.out, label);
    assert.equal(got.problem, expectedProblem(want.err), label);
    ++compared;
  };
  const perPair = 22;
  const varied = variedRows(3, 20 * perPair, 1950, true);
  catalogue.pairs.forEach((pair, index) => {
    const readings = varied.slice(index * perPair, (index + 1) * perPair);
    readings.forEach((fab, i) => compare([pair.name, ...fab, ...Accuracies[i % Accuracies.length]]));
    if (!['Cs-D', 'Lp-G', 'R-X', 'Z-thd', 'Y-thr'].includes(pair.name)) return;
    for (const text of RangeTexts) {
      compare([pair.name, '1kHz', text, '0.5', '', '']);
      compare([pair.name, text, '2.2', '0.5', '1%', '1%']);
      compare([pair.name, '10kHz', '3.3', text, '0.5%', '0.01']);
    }
  });
  assert.ok(compared >= 20 * perPair + 5 * 42, `${compared} comparisons`);
});

test('a refused text is attributed to its field', () => {
  const cases = [
    [['Cp-D', '1kQ', '4.7n', '0.001', '', ''], 0],
    [['Cp-D', '1kHz', '4.7nH', '0.001', '', ''], 1],
    [['Cp-D', '1kHz', '4.7n', 'many', '', ''], 2],
    [['Ls-Q', '1kHz', '-10m', '50', '', ''], 1],
    [['Cp-D', '1kHz', '4.7n', '0.001', '0.05', 'x'], 4],
    [['Cp-D', '1kHz', '4.7n', '0.001', '-1%', '1%'], 3],
    [['Cp-D', '1kHz', '4.7n', '0.001', '', '1%'], 3],
  ];
  for (const [texts, field] of cases) {
    const got = page.convert(texts);
    const want = runCli(convertArguments(...texts));
    assert.equal(want.code, 2, JSON.stringify(texts));
    assert.equal(got.code, 2);
    assert.equal(got.field, field, `${JSON.stringify(texts)}: ${got.problem}`);
    assert.equal(got.problem, expectedProblem(want.err));
    assert.equal(linesOf(got.output).length, 0);
  }
  const good = page.convert(['Cp-D', '1kHz', '4.7n', '0.001', '', '']);
  assert.equal(good.code, 0);
  assert.equal(good.field, -1);
  assert.equal(good.problem, '');
});

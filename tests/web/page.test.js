// The page as a person uses it, in Debian's headless Chromium driven by roles
// and names: opened alone from a folder of its own through file:// with every
// request refused, compared with calvora-cli; no script error on the way.
'use strict';

const { test, before, after } = require('node:test');
const assert = require('node:assert/strict');
const fs = require('node:fs');
const os = require('node:os');
const path = require('node:path');
const { runCli, linesOf, variedRows, convertArguments, expectedProblem, helpLists, launchChromium,
  requiredEnvironment } = require('./support.js');

let context, page;
const folders = ['calvora-page-', 'calvora-profile-'].map((prefix) => fs.mkdtempSync(path.join(os.tmpdir(), prefix)));
const pageUrl = 'file://' + path.join(folders[0], 'calvora.html');
const requests = [], problems = [];
const help = helpLists();

before(async () => {
  fs.copyFileSync(requiredEnvironment('CALVORA_PAGE'), path.join(folders[0], 'calvora.html'));
  context = await launchChromium(folders[1]);
  await context.grantPermissions(['clipboard-read', 'clipboard-write']);
  context.on('request', (request) => request.url() === pageUrl || requests.push(request.url().slice(0, 120)));
  await context.route('**/*', (route) => (route.request().url() === pageUrl ? route.continue() : route.abort()));
  // Each chime started and each print recorded (headless Chromium has no print dialog).
  await context.addInitScript(() => {
    window.calvoraTest = { chimes: [], prints: 0 };
    window.print = () => { window.calvoraTest.prints += 1; };
    const start = AudioBufferSourceNode.prototype.start;
    AudioBufferSourceNode.prototype.start = function recordChime(...args) {
      window.calvoraTest.chimes.push(this.buffer.duration);
      return start.apply(this, args);
    };
  });
  page = context.pages()[0] || (await context.newPage());
  page.on('pageerror', (error) => problems.push(`script error: ${error.message}`));
  page.on('console', (message) => ['error', 'warning'].includes(message.type()) &&
    problems.push(`console ${message.type()}: ${message.text().slice(0, 300)}`));
  await openPage();
});

after(async () => {
  await context?.close();
  folders.forEach((folder) => fs.rmSync(folder, { recursive: true, force: true }));
});

const openPage = () => page.goto(pageUrl).then(() => page.waitForSelector('html[data-ready="true"]'));
const button = (name) => page.getByRole('button', { name, exact: true });
const textbox = (name) => page.getByRole('textbox', { name, exact: true });
const tab = (name) => page.getByRole('tab', { name, exact: true });
const chimeCount = () => page.evaluate(() => window.calvoraTest.chimes.length);
const focused = () => page.evaluate(() => document.activeElement.id || document.activeElement.textContent);
const panelOf = (args) => runCli(['calc', '--panel', '--', ...args]).out.toString('utf8');

// Each row of a table as the line it reads as: its cells joined by tabs.
const tableLines = (name) => page.getByRole('table', { name, exact: true }).getByRole('row')
  .evaluateAll((rows) => rows.map((row) => Array.from(row.cells, (cell) => cell.textContent).join('\t')));

// What print media shows of the page.
const printedText = () => page.emulateMedia({ media: 'print' })
  .then(() => page.evaluate(() => document.body.innerText))
  .finally(() => page.emulateMedia({ media: 'screen' }));

async function calcOnPage(mode, texts) {
  await button(mode).click();
  for (const [name, text] of Object.entries(texts)) await textbox(name).fill(text);
  await button('Calc').click();
}

// The meter form filled with [PAIR, F, A, B, ACC_A, ACC_B], then Enter in B or Convert.
async function convertOnPage(texts, withEnter) {
  await page.getByRole('combobox', { name: 'Pair' }).selectOption(texts[0]);
  const names = ['F', 'A', 'B', 'Accuracy of A', 'Accuracy of B'];
  for (const [i, name] of names.entries()) await textbox(name).fill(texts[i + 1]);
  await (withEnter ? textbox('B').press('Enter') : button('Convert').click());
}

// Units of the entry rows as the window shows them.
const Units = [[/^(F|Bridge f0|Actual f0)$/, ' Hz'], [/^C/, ' uF'], [/^L/, ' mH'], [/^(X|R|Z|Rs|Rp)$/, ' Ohms'],
  [/^(G|B)$/, ' umhos'], [/^(Phase angle|phase)$/, ' deg.'], [/^voltage$/, ' V'], [/^current$/, ' A'], [/./, '']];
const unitOf = (row) => Units.find(([pattern]) => pattern.test(row))[1];

test('opens on the calculator with the all-zero report; Calc before a mode warns, (c) informs', async () => {
  assert.equal(await page.title(), 'Calvora Impedance Calculator 1.03');
  assert.equal(await tab('Calculator').getAttribute('aria-selected'), 'true');
  assert.equal(await page.getByRole('form', { name: 'Meter reading' }).count(), 0);
  assert.equal(await printedText(), 'F =  0 aHz\nZ =  0 aOhms\nRs =  0 aOhms\nXs =  0 aOhms\nY =  0 amhos\n' +
    'Gp =  0 amhos\nBp =  0 amhos\nDevice is purely resistive\nRp =  0 aOhms\nPhase angle =  0 degrees\n');
  await button('Calc').click();
  const box = page.getByRole('alertdialog', { name: 'Calvora' });
  assert.equal(await box.locator('p').textContent(), 'Please select a mode then enter some data!');
  await page.keyboard.press('Escape');
  await box.waitFor({ state: 'hidden' });
  assert.deepEqual([await chimeCount(), await tableLines('Results')], [0, []]);
  await button('(c)').click();
  const lines = (await box.locator('p').textContent()).split('\n');
  assert.deepEqual([lines.length, lines[0].slice(0, 7), lines[6]],
    [7, 'Calvora', 'Thanks for using those great General Radio Corp. bridges and standards!']);
  await box.getByRole('button', { name: 'OK' }).click();
  await box.waitFor({ state: 'hidden' });
});

test('every mode shows calc --panel with a chime; Print gives calc --report on one page; Copy', async () => {
  const varied = variedRows(5, help.modes.length, 2000, false);
  let args;
  for (const [index, mode] of help.modes.entries()) {
    await button(mode.caption).click();
    assert.equal(await button(mode.caption).getAttribute('aria-pressed'), 'true');
    // The rows with their default texts and units; the caret in the first that is not a pre-filled frequency.
    const rows = await page.locator('#rows label').evaluateAll((labels) =>
      labels.map((l) => [l.textContent, l.control.value, l.control.nextElementSibling.textContent]));
    assert.deepEqual(rows, mode.rows.map((name) => [name, unitOf(name) === ' Hz' ? '1000' : ' ', unitOf(name)]));
    assert.equal(await page.evaluate(() => document.activeElement.labels[0].textContent),
      mode.rows.find((name) => unitOf(name) !== ' Hz'));
    // One row of the varied log (R-X purely resistive); Enter in a row computes as Calc does.
    const texts = mode.caption === 'R-X' ? ['1000', '1000', '0', '50'] : varied[index].slice(0, mode.rows.length);
    for (const [i, text] of texts.entries()) await textbox(mode.rows[i]).fill(text);
    const chimes = await chimeCount();
    await (mode.id % 2 ? textbox(mode.rows[texts.length - 1]).press('Enter') : button('Calc').click());
    args = [String(mode.id), ...texts];
    assert.deepEqual(await tableLines('Results'), linesOf(panelOf(args)), `${mode.caption} ${JSON.stringify(texts)}`);
    await page.waitForFunction((n) => window.calvoraTest.chimes.length > n, chimes);
  }
  const chime = await page.evaluate(() => window.calvoraTest.chimes[0]);
  assert.ok(Math.abs(chime - 31138 / 2 / 11025) < 0.001, `a chime of ${chime} s, not the program's WAV`);
  await page.waitForFunction(() => document.getElementById('announce').textContent.startsWith('Results: '));

  await button('Print').click();
  assert.equal(await page.evaluate(() => window.calvoraTest.prints), 1);
  const report = runCli(['calc', '--report', '--', ...args]).out.toString('utf8');
  assert.equal(await printedText(), report);
  assert.equal(((await page.pdf()).toString('latin1').match(/\/Type\s*\/Page\b/g) || []).length, 1, 'one page');
  // A mode change keeps the results and the report of the last Calc.
  await button('Cs-D').click();
  assert.equal(await printedText(), report);
  await button('Copy results').click();
  assert.equal(await page.evaluate(() => navigator.clipboard.readText()), panelOf(args));
});

test('meter readings show what calvora-cli convert prints, with and without accuracy', async () => {
  await tab('Meter reading').click();
  const accuracies = [['', ''], ['0.05%', '0.0005'], ['', ''], ['1%', '2%']];
  const varied = variedRows(3, help.pairs.length, 2100, true);
  let shown = 0;
  for (const [index, pair] of help.pairs.entries()) {
    const texts = [pair.name, ...varied[index], ...accuracies[index % 4]];
    await convertOnPage(texts, true);
    const want = runCli(convertArguments(...texts));
    const messages = await page.locator('#meter .problem:not([hidden])').allTextContents();
    assert.deepEqual([await tableLines('Meter results'), messages],
      want.code === 0 ? [linesOf(want.out), []] : [[], [expectedProblem(want.err)]], texts.join(' '));
    shown += want.code === 0;
  }
  assert.ok(shown >= 10, `${shown} of 20 readings converted`);
});

test('a refused value is marked invalid at its field with the companion\'s message', async () => {
  const invalid = () => page.locator('[aria-invalid="true"]').evaluateAll((all) => all.map((e) => e.id));
  const texts = ['Cp-D', '1kHz', '4.7x', '0.001', '', ''];
  await convertOnPage(texts);
  const want = runCli(convertArguments(...texts));
  const message = await textbox('A').evaluate((a) => a.getAttribute('aria-describedby').split(' ')
    .map((id) => document.getElementById(id).textContent).join(' '));
  assert.deepEqual([want.code, await invalid(), message, await focused(), await tableLines('Meter results')],
    [2, ['meter-a'], expectedProblem(want.err), 'meter-a', []]);
  // Mended, it converts and is no longer marked.
  texts[2] = '4.7n';
  await convertOnPage(texts, true);
  const converted = linesOf(runCli(convertArguments(...texts)).out);
  assert.deepEqual([await invalid(), await tableLines('Meter results')], [[], converted]);
});

test('the keyboard alone reaches every control and computes', async () => {
  await openPage();
  const reached = [];
  for (let i = 0; i < 40; ++i) reached.push(await page.keyboard.press('Tab').then(focused));
  for (const name of [...help.modes.map((m) => m.caption), 'tab-calculator', 'calc', 'print', 'about'])
    assert.ok(reached.includes(name), `Tab reaches ${name}`);
  await button('Cs-D').focus();
  for (const [how, key] of [['press', 'Space'], ['type', '1'], ['press', 'Tab'], ['type', '.01'], ['press', 'Enter']])
    await page.keyboard[how](key);
  assert.deepEqual(await tableLines('Results'), linesOf(panelOf(['Cs-D', '1000', '1', '.01'])));
  await tab('Calculator').focus();
  await page.keyboard.press('ArrowRight');
  assert.equal(await tab('Meter reading').getAttribute('aria-selected'), 'true');
  const order = [];
  for (let i = 0; i < 7; ++i) order.push(await page.keyboard.press('Tab').then(focused));
  assert.deepEqual(order, ['pair', 'meter-f', 'meter-a', 'meter-b', 'meter-acc-a', 'meter-acc-b', 'convert']);
});

async function checkAccessibility(label) {
  if (!(await page.evaluate(() => typeof window.axe === 'object')))
    await page.addScriptTag({ content: fs.readFileSync(require.resolve('axe-core/axe.min.js'), 'utf8') });
  const result = await page.evaluate(() => window.axe.run(document, { resultTypes: ['violations'] }));
  const found = result.violations.map((v) => `${v.id}: ${v.help} (${v.nodes.map((n) => n.target.join(' '))})`);
  assert.deepEqual(found, [], `axe-core, ${label}`);
}

test('axe-core finds no violation, in the light and the dark scheme', async () => {
  const steps = [['as opened', openPage], ['calculator with results', () => calcOnPage('Ls-Q', { Ls: '10', Q: '50' })],
    ['information box', () => button('(c)').click()], ['meter results', async () => {
      await button('OK').click();
      await tab('Meter reading').click();
      await convertOnPage(['Cs-D', '1kHz', '1nF', '0.0002', '0.05%', '0.0005']);
    }], ['refused value', () => convertOnPage(['Cs-D', '1kHz', '1nF', 'lots', '', ''])]];
  for (const colorScheme of ['light', 'dark']) {
    await page.emulateMedia({ colorScheme });
    for (const [label, step] of steps) await step().then(() => checkAccessibility(`${colorScheme}, ${label}`));
  }
});

test('fits a 360-pixel-wide phone screen with the longest results', async () => {
  await page.setViewportSize({ width: 360, height: 740 });
  await openPage();
  const sideways = () => page.evaluate(() => document.documentElement.scrollWidth -
    document.documentElement.clientWidth);
  assert.equal(await sideways(), 0, 'as opened');
  await calcOnPage('Cs||Cs', { Cs1: '0', D1: '1e308', Cs2: '-1e-300', D2: '' });
  assert.ok((await tableLines('Results')).some((line) => line.includes('E+')), 'infinities shown');
  assert.equal(await sideways(), 0, 'calculator with infinities');
  await tab('Meter reading').click();
  await convertOnPage(['Z-thd', '1e-300', '1.7e308', '-89.999999', '50%', '1e-6deg']);
  assert.equal((await tableLines('Meter results')).length, 14);
  assert.equal(await sideways(), 0, 'meter results with bounds');
  await textbox('A').fill('1.7e308 Ohm, which is not a value');
  await button('Convert').click();
  assert.equal(await sideways(), 0, 'a long message');
  // The README's pictures of a Calc on a phone (scripts/screenshots.sh copies them to docs/).
  for (const colorScheme of ['light', 'dark']) {
    await page.emulateMedia({ colorScheme });
    await openPage();
    await calcOnPage('Cs-D', { Cs: '1', DF: '.01' });
    await page.evaluate(() => document.activeElement.blur());
    const folder = process.env.CALVORA_SCREENSHOT_DIR || os.tmpdir();
    await page.screenshot({ path: path.join(folder, `screenshot-web-${colorScheme}.png`), fullPage: true });
  }
});

test('no script error occurred and nothing was requested', () => {
  assert.deepEqual([problems, requests], [[], []]);
});

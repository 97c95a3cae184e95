// The page as a person uses it, in Debian's Chromium (headless, driven by
// playwright-core by roles and names): opened alone from a folder of its
// own through file:// with the network off and every request refused;
// every mode once against calvora-cli calc --panel, the printed page
// against calc --report, meter readings against convert, a refused value
// marked at its field, the keyboard alone, axe-core in light and dark, and
// a 360-pixel-wide screen. No script error may occur on the way.
'use strict';

const { test, before, after } = require('node:test');
const assert = require('node:assert/strict');
const fs = require('node:fs');
const os = require('node:os');
const path = require('node:path');
const {
  runCli, linesOf, variedRows, convertArguments, expectedProblem, helpLists, launchChromium,
  requiredEnvironment,
} = require('./support.js');

let context;
let page;
let pageUrl;
let folders = [];
const requests = [];
const problems = [];
const help = helpLists();
const screenshotFolder = process.env.CALVORA_SCREENSHOT_DIR || os.tmpdir();

before(async () => {
  const folder = fs.mkdtempSync(path.join(os.tmpdir(), 'calvora-page-'));
  const profile = fs.mkdtempSync(path.join(os.tmpdir(), 'calvora-profile-'));
  folders = [folder, profile];
  fs.copyFileSync(requiredEnvironment('CALVORA_PAGE'), path.join(folder, 'calvora.html'));
  pageUrl = 'file://' + path.join(folder, 'calvora.html');
  requiredEnvironment('CALVORA_CHROMIUM');
  context = await launchChromium(profile);
  context.on('request', (request) => {
    if (request.url() !== pageUrl) requests.push(request.url().slice(0, 120));
  });
  await context.route('**/*', (route) =>
    route.request().url() === pageUrl ? route.continue() : route.abort());
  // What the page hands to the browser, recorded: each chime started, and
  // each print (headless Chromium has no print dialog; page.pdf prints).
  await context.addInitScript(() => {
    window.calvoraTest = { chimes: [], prints: 0 };
    window.print = () => { window.calvoraTest.prints += 1; };
    const start = AudioBufferSourceNode.prototype.start;
    AudioBufferSourceNode.prototype.start = function recordChime(...args) {
      window.calvoraTest.chimes.push({ duration: this.buffer.duration, channels: this.buffer.numberOfChannels });
      return start.apply(this, args);
    };
  });
  page = context.pages()[0] || (await context.newPage());
  page.on('pageerror', (error) => problems.push(`script error: ${error.message}`));
  page.on('console', (message) => {
    if (message.type() === 'error' || message.type() === 'warning')
      problems.push(`console ${message.type()}: ${message.text().slice(0, 300)}`);
  });
  await openPage();
});

after(async () => {
  if (context) await context.close();
  for (const folder of folders) fs.rmSync(folder, { recursive: true, force: true });
});

async function openPage() {
  await page.goto(pageUrl);
  await page.waitForSelector('html[data-ready="true"]');
}

const button = (name) => page.getByRole('button', { name, exact: true });
const textbox = (name) => page.getByRole('textbox', { name, exact: true });

// Each row of a table as the line it reads as: its cells joined by tabs.
function tableLines(name) {
  return page.getByRole('table', { name, exact: true }).getByRole('row')
    .evaluateAll((rows) => rows.map((row) => Array.from(row.cells, (cell) => cell.textContent).join('\t')));
}

// What the page gives when printed: the text of what print media shows.
async function printedText() {
  await page.emulateMedia({ media: 'print' });
  const text = await page.evaluate(() => document.body.innerText);
  await page.emulateMedia({ media: 'screen' });
  return text;
}

const chimeCount = () => page.evaluate(() => window.calvoraTest.chimes.length);

// Units of the entry rows as the window shows them.
function unitOf(rowName) {
  if (/^(F|Bridge f0|Actual f0)$/.test(rowName)) return ' Hz';
  if (/^C/.test(rowName)) return ' uF';
  if (/^L/.test(rowName)) return ' mH';
  if (/^(X|R|Z|Rs|Rp)$/.test(rowName)) return ' Ohms';
  if (/^(G|B)$/.test(rowName)) return ' umhos';
  if (/^(Phase angle|phase)$/.test(rowName)) return ' deg.';
  return { voltage: ' V', current: ' A' }[rowName] || '';
}

test('opens alone from disk, offline, on the window\'s calculator with the program\'s own chime', async () => {
  assert.equal(await page.title(), 'Calvora Impedance Calculator 1.03');
  assert.equal(await page.getByRole('tab', { name: 'Calculator' }).getAttribute('aria-selected'), 'true');
  for (const mode of help.modes) assert.equal(await button(mode.caption).count(), 1, mode.caption);
  for (const name of ['Calc', 'Print', '(c)']) assert.equal(await button(name).count(), 1, name);
  assert.equal(await page.getByRole('form', { name: 'Meter reading' }).count(), 0);
  assert.deepEqual(await tableLines('Results'), []);
  // Print before any Calc: the all-zero record's report.
  assert.equal(await printedText(), 'F =  0 aHz\nZ =  0 aOhms\nRs =  0 aOhms\nXs =  0 aOhms\n' +
    'Y =  0 amhos\nGp =  0 amhos\nBp =  0 amhos\nDevice is purely resistive\nRp =  0 aOhms\n' +
    'Phase angle =  0 degrees\n');
  const html = fs.readFileSync(requiredEnvironment('CALVORA_PAGE'), 'utf8');
  const chime = Buffer.from(/const ChimeWav = '([^']+)'/.exec(html)[1], 'base64');
  assert.ok(chime.equals(fs.readFileSync(requiredEnvironment('CALVORA_WAV'))), 'the chime is the program\'s WAV');
});

test('Calc before a mode shows the warning, (c) the information box', async () => {
  await button('Calc').click();
  const warning = page.getByRole('alertdialog', { name: 'Calvora' });
  await warning.waitFor();
  assert.equal((await warning.locator('p').textContent()), 'Please select a mode then enter some data!');
  await page.keyboard.press('Escape');
  await warning.waitFor({ state: 'hidden' });
  assert.equal(await chimeCount(), 0);
  assert.deepEqual(await tableLines('Results'), []);

  await button('(c)').click();
  const about = page.getByRole('alertdialog', { name: 'Calvora' });
  await about.waitFor();
  const lines = (await about.locator('p').textContent()).split('\n');
  assert.equal(lines.length, 7);
  assert.match(lines[0], /^Calvora/);
  assert.equal(lines[6], 'Thanks for using those great General Radio Corp. bridges and standards!');
  await about.getByRole('button', { name: 'OK' }).click();
  await about.waitFor({ state: 'hidden' });
});

test('every mode shows what calvora-cli calc --panel prints, and the report prints alone on one page', async () => {
  let last = null;
  const varied = variedRows(5, help.modes.length, 2000, false);
  for (const [index, mode] of help.modes.entries()) {
    await button(mode.caption).click();
    assert.equal(await button(mode.caption).getAttribute('aria-pressed'), 'true');
    // The rows, their default texts and units; the caret in the first row
    // that is not a pre-filled frequency.
    const defaults = [];
    for (const name of mode.rows) {
      const box = textbox(name);
      defaults.push(await box.inputValue());
      assert.equal(await box.locator('xpath=following-sibling::span[1]').textContent(), unitOf(name), name);
    }
    assert.deepEqual(defaults, mode.rows.map((name) => (unitOf(name) === ' Hz' ? '1000' : ' ')), mode.caption);
    const caretRow = mode.rows[defaults.findIndex((text) => text !== '1000')];
    assert.equal(await page.evaluate(() => document.activeElement.labels[0].textContent), caretRow);

    // Texts as typed, one row of the varied log; R-X purely resistive.
    const texts = mode.caption === 'R-X' ? ['1000', '1000', '0', '50']
      : varied[index].slice(0, mode.rows.length);
    for (let i = 0; i < texts.length; ++i) await textbox(mode.rows[i]).fill(texts[i]);
    const chimes = await chimeCount();
    // Enter in a row computes, as the Calc button does.
    if (mode.id % 2) await textbox(mode.rows[texts.length - 1]).press('Enter');
    else await button('Calc').click();
    const expected = runCli(['calc', '--panel', '--', String(mode.id)].concat(texts));
    assert.deepEqual(await tableLines('Results'), linesOf(expected.out), `${mode.caption} ${JSON.stringify(texts)}`);
    await page.waitForFunction((n) => window.calvoraTest.chimes.length > n, chimes);
    last = { mode, texts };
  }
  const chime = await page.evaluate(() => window.calvoraTest.chimes[0]);
  assert.equal(chime.channels, 1);
  assert.ok(Math.abs(chime.duration - 31138 / 2 / 11025) < 0.001, `a chime of ${chime.duration} s`);
  await page.waitForFunction(() => document.getElementById('announce').textContent.startsWith('Results: '));

  await button('Print').click();
  assert.equal(await page.evaluate(() => window.calvoraTest.prints), 1);
  const report = runCli(['calc', '--report', '--', String(last.mode.id)].concat(last.texts));
  assert.equal(await printedText(), report.out.toString('utf8'));
  const pdf = (await page.pdf()).toString('latin1');
  assert.equal((pdf.match(/\/Type\s*\/Page\b/g) || []).length, 1, 'one printed page');

  // A mode change keeps the results and the report of the last Calc.
  await button('Cs-D').click();
  assert.equal(await printedText(), report.out.toString('utf8'));
});

test('Copy puts the shown results on the clipboard as NAME<tab>VALUE lines', async () => {
  await context.grantPermissions(['clipboard-read', 'clipboard-write']);
  await button('Cs-D').click();
  await textbox('Cs').fill('1');
  await textbox('DF').fill('.01');
  await button('Calc').click();
  await page.getByRole('button', { name: 'Copy results' }).click();
  const copied = await page.evaluate(() => navigator.clipboard.readText());
  assert.equal(copied, runCli(['calc', '--panel', 'Cs-D', '1000', '1', '.01']).out.toString('utf8'));
});

// Readings as a meter's log has them, one for every pair, every other one
// with the meter's accuracy; the companion may refuse some of them.
test('meter readings show what calvora-cli convert prints, with and without accuracy', async () => {
  await page.getByRole('tab', { name: 'Meter reading' }).click();
  const form = page.getByRole('form', { name: 'Meter reading' });
  await form.waitFor();
  const controls = await form.evaluate((f) => Array.from(f.elements, (e) => (e.labels && e.labels[0] ? e.labels[0].textContent : e.textContent)));
  assert.deepEqual(controls, ['Pair', 'F', 'A', 'B', 'Accuracy of A', 'Accuracy of B', 'Convert']);
  const accuracies = [['', ''], ['0.05%', '0.0005'], ['', ''], ['1%', '2%']];
  let shown = 0;
  const varied = variedRows(3, help.pairs.length, 2100, true);
  for (const [index, pair] of help.pairs.entries()) {
    const [f, a, b] = varied[index];
    const [accuracyA, accuracyB] = accuracies[index % accuracies.length];
    await form.getByRole('combobox', { name: 'Pair' }).selectOption(pair.name);
    await textbox('F').fill(f);
    await textbox('A').fill(a);
    await textbox('B').fill(b);
    await textbox('Accuracy of A').fill(accuracyA);
    await textbox('Accuracy of B').fill(accuracyB);
    await textbox('B').press('Enter');
    const want = runCli(convertArguments(pair.name, f, a, b, accuracyA, accuracyB));
    const label = `${pair.name} ${f} ${a} ${b} ${accuracyA} ${accuracyB}`;
    assert.deepEqual(await tableLines('Meter results'), want.code === 0 ? linesOf(want.out) : [], label);
    const messages = await page.locator('#meter .problem:not([hidden])').allTextContents();
    assert.deepEqual(messages, want.code === 0 ? [] : [expectedProblem(want.err)], label);
    if (want.code === 0) ++shown;
  }
  assert.ok(shown >= 10, `${shown} of 20 readings converted`);
});

test('a refused value is marked invalid with the companion\'s message beside it', async () => {
  await page.getByRole('tab', { name: 'Meter reading' }).click();
  const form = page.getByRole('form', { name: 'Meter reading' });
  await form.getByRole('combobox', { name: 'Pair' }).selectOption('Cp-D');
  const texts = { F: '1kHz', A: '4.7x', B: '0.001', 'Accuracy of A': '', 'Accuracy of B': '' };
  for (const [name, text] of Object.entries(texts)) await textbox(name).fill(text);
  await button('Convert').click();
  const want = runCli(convertArguments('Cp-D', '1kHz', '4.7x', '0.001', '', ''));
  assert.equal(want.code, 2);
  const a = textbox('A');
  assert.equal(await a.getAttribute('aria-invalid'), 'true');
  const describedBy = await a.getAttribute('aria-describedby');
  const message = await page.evaluate((ids) => ids.split(' ').map((id) => document.getElementById(id).textContent).join(' '), describedBy);
  assert.equal(message, expectedProblem(want.err));
  assert.equal(await page.evaluate(() => document.activeElement.id), await a.getAttribute('id'));
  assert.equal(await textbox('B').getAttribute('aria-invalid'), null);
  assert.deepEqual(await tableLines('Meter results'), []);

  await a.fill('4.7n');
  await a.press('Enter');
  assert.equal(await a.getAttribute('aria-invalid'), null);
  assert.deepEqual(await tableLines('Meter results'),
    linesOf(runCli(convertArguments('Cp-D', '1kHz', '4.7n', '0.001', '', '')).out));
});

test('the keyboard alone reaches every control and computes', async () => {
  await openPage();
  const reached = new Set();
  for (let i = 0; i < 40; ++i) {
    await page.keyboard.press('Tab');
    reached.add(await page.evaluate(() => document.activeElement.textContent || document.activeElement.id));
  }
  for (const mode of help.modes) assert.ok(reached.has(mode.caption), `Tab reaches ${mode.caption}`);
  for (const name of ['Calculator', 'Calc', 'Print', '(c)']) assert.ok(reached.has(name), `Tab reaches ${name}`);

  await button('Cs-D').focus();
  await page.keyboard.press('Space');
  await page.keyboard.type('1');
  await page.keyboard.press('Tab');
  await page.keyboard.type('.01');
  await page.keyboard.press('Enter');
  assert.deepEqual(await tableLines('Results'), linesOf(runCli(['calc', '--panel', 'Cs-D', '1000', '1', '.01']).out));

  await page.getByRole('tab', { name: 'Calculator' }).focus();
  await page.keyboard.press('ArrowRight');
  assert.equal(await page.getByRole('tab', { name: 'Meter reading' }).getAttribute('aria-selected'), 'true');
  await page.keyboard.press('Tab');
  assert.equal(await page.evaluate(() => document.activeElement.id), 'pair');
  const order = [];
  for (let i = 0; i < 6; ++i) {
    await page.keyboard.press('Tab');
    order.push(await page.evaluate(() => document.activeElement.id));
  }
  assert.deepEqual(order, ['meter-f', 'meter-a', 'meter-b', 'meter-acc-a', 'meter-acc-b', 'convert']);
  await page.keyboard.press('ArrowLeft');
});

async function checkAccessibility(label) {
  const axeSource = fs.readFileSync(require.resolve('axe-core/axe.min.js'), 'utf8');
  if (!(await page.evaluate(() => typeof window.axe === 'object'))) await page.addScriptTag({ content: axeSource });
  const result = await page.evaluate(() => window.axe.run(document, { resultTypes: ['violations'] }));
  const found = result.violations.map((v) => `${v.id}: ${v.help} (${v.nodes.map((n) => n.target.join(' ')).join(', ')})`);
  assert.deepEqual(found, [], `axe-core, ${label}`);
}

test('axe-core finds no violation, in the light and the dark scheme', async () => {
  for (const colorScheme of ['light', 'dark']) {
    await page.emulateMedia({ colorScheme });
    await openPage();
    await checkAccessibility(`${colorScheme}, as opened`);
    await button('Ls-Q').click();
    await textbox('Ls').fill('10');
    await textbox('Q').fill('50');
    await button('Calc').click();
    await checkAccessibility(`${colorScheme}, calculator with results`);
    await button('(c)').click();
    await checkAccessibility(`${colorScheme}, information box`);
    await button('OK').click();
    await page.getByRole('tab', { name: 'Meter reading' }).click();
    await textbox('A').fill('1nF');
    await textbox('B').fill('0.0002');
    await textbox('Accuracy of A').fill('0.05%');
    await textbox('Accuracy of B').fill('0.0005');
    await button('Convert').click();
    await checkAccessibility(`${colorScheme}, meter results`);
    await textbox('B').fill('lots');
    await button('Convert').click();
    await checkAccessibility(`${colorScheme}, refused value`);
  }
  await page.emulateMedia({ colorScheme: 'light' });
});

test('fits a 360-pixel-wide phone screen with the longest results', async () => {
  await page.setViewportSize({ width: 360, height: 740 });
  await openPage();
  const sideways = () => page.evaluate(() => document.documentElement.scrollWidth - document.documentElement.clientWidth);
  assert.equal(await sideways(), 0, 'as opened');
  await button('Cs||Cs').click();
  for (const [name, text] of [['Cs1', '0'], ['D1', '1e308'], ['Cs2', '-1e-300'], ['D2', '']]) await textbox(name).fill(text);
  await button('Calc').click();
  assert.ok((await tableLines('Results')).some((line) => line.includes('E+')), 'infinities shown');
  assert.equal(await sideways(), 0, 'calculator with infinities');
  await page.getByRole('tab', { name: 'Meter reading' }).click();
  await page.getByRole('combobox', { name: 'Pair' }).selectOption('Z-thd');
  for (const [name, text] of [['F', '1e-300'], ['A', '1.7e308'], ['B', '-89.999999'], ['Accuracy of A', '50%'], ['Accuracy of B', '1e-6deg']])
    await textbox(name).fill(text);
  await button('Convert').click();
  assert.equal((await tableLines('Meter results')).length, 14);
  assert.equal(await sideways(), 0, 'meter results with bounds');
  await textbox('A').fill('1.7e308 Ohm, which is not a value');
  await button('Convert').click();
  assert.equal(await sideways(), 0, 'a long message');

  // The README's pictures: the calculator after a Calc on a phone, in both
  // schemes (scripts/screenshots.sh copies them to docs/).
  for (const colorScheme of ['light', 'dark']) {
    await page.emulateMedia({ colorScheme });
    await openPage();
    await button('Cs-D').click();
    await textbox('Cs').fill('1');
    await textbox('DF').fill('.01');
    await button('Calc').click();
    await page.evaluate(() => document.activeElement.blur());
    await page.screenshot({ path: path.join(screenshotFolder, `screenshot-web-${colorScheme}.png`), fullPage: true });
  }
  await page.emulateMedia({ colorScheme: 'light' });
  await page.setViewportSize({ width: 1280, height: 900 });
});

test('no script error occurred and nothing was requested', () => {
  assert.deepEqual(problems, []);
  assert.deepEqual(requests, []);
});

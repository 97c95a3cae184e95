// What the page's tests share: the Linux companion they compare with, the
// page's module as node loads it, the varied texts and readings, Chromium.
'use strict';

const { spawnSync } = require('node:child_process');
const fs = require('node:fs');

function requiredEnvironment(name) {
  if (!process.env[name]) throw new Error(`${name} is not set (ctest sets it; see tests/web/CMakeLists.txt)`);
  return process.env[name];
}

// calvora-cli ARGS: its exit code, standard output and standard error, as bytes.
function runCli(args) {
  const result = spawnSync(requiredEnvironment('CALVORA_HOST_CLI'), args);
  if (result.error) throw result.error;
  return { code: result.status, out: result.stdout, err: result.stderr };
}

// The lines of a companion's output (its last line end dropped).
const linesOf = (bytes) => (bytes.length === 0 ? [] : bytes.toString('utf8').replace(/\n$/, '').split('\n'));

// Seeded records from tests/cli/varied_rows.py: `rows` arrays of `fields`
// texts, typed ones mixed with ones that stress the arithmetic (with
// `meter`, readings as a meter's log has them).
function variedRows(fields, rows, seed, meter) {
  const args = [requiredEnvironment('CALVORA_VARIED_ROWS'), fields, rows, seed].map(String);
  const python = process.env.PYTHON || 'python3';
  const result = spawnSync(python, args.concat(meter ? ['--meter'] : []), { encoding: 'utf8' });
  if (result.status !== 0) throw new Error(`varied_rows.py: ${result.stderr}`);
  return linesOf(result.stdout).map((line) => line.split(','));
}

// A fresh instance of the page's module, its routines as plain functions;
// every text comes back as the bytes the module wrote.
async function loadPageModule() {
  const script = requiredEnvironment('CALVORA_PAGE_MODULE');
  // As the page does: the module is handed its WebAssembly.
  const m = await require(script)({ wasmBinary: fs.readFileSync(script.replace(/\.js$/, '.wasm')) });
  const bytesAt = (pointer) => Buffer.from(m.HEAPU8.subarray(pointer, m.HEAPU8.indexOf(0, pointer)));
  // Calls `call` with the texts in the module's memory and an array of their addresses.
  const withStrings = (texts, call) => {
    const pointers = texts.map((text) => {
      const size = m.lengthBytesUTF8(text) + 1;
      const pointer = m._malloc(size);
      m.stringToUTF8(text, pointer, size);
      return pointer;
    });
    const array = m._malloc(4 * Math.max(1, pointers.length));
    m.HEAPU32.set(pointers, array / 4);
    try {
      return call(pointers, array);
    } finally {
      pointers.concat(array).forEach((p) => m._free(p));
    }
  };
  return {
    catalogue: () => JSON.parse(bytesAt(m._PageCatalogue()).toString('utf8')),
    calc: (modeId, texts) => withStrings(texts, (pointers, array) => bytesAt(m._PageCalc(modeId, texts.length, array))),
    report: () => bytesAt(m._PageReport()),
    convert: (texts) => withStrings(texts, (pointers) => ({
      code: m._PageConvert(...pointers),
      output: bytesAt(m._PageConvertOutput()),
      problem: bytesAt(m._PageConvertProblem()).toString('utf8'),
      field: m._PageConvertProblemField(),
    })),
  };
}

// The command line the page's meter form stands for: both accuracies empty
// leave --accuracy out.
function convertArguments(pair, f, a, b, accuracyA, accuracyB) {
  const accuracy = accuracyA !== '' || accuracyB !== '' ? ['--accuracy', accuracyA, accuracyB] : [];
  return ['convert', ...accuracy, '--', pair, f, a, b];
}

// What the page shows of the companion's report: its lines without the
// program's name and without the pointer to --help.
const expectedProblem = (stderr) => linesOf(stderr).filter((line) => !/^Try 'calvora-cli .*--help'\.$/.test(line))
  .map((line) => line.replace(/^calvora-cli: /, '')).join('\n');

// Debian's Chromium, headless, with a fresh profile in `profile`, as this
// machine's closed network wants it (no background connections), offline.
function launchChromium(profile) {
  return require('playwright-core').chromium.launchPersistentContext(profile, {
    executablePath: process.env.CALVORA_CHROMIUM || '/usr/bin/chromium',
    args: ['--no-sandbox', '--disable-gpu', '--disable-quic', '--no-first-run',
      '--disable-background-networking', '--disable-component-update', '--disable-sync'],
    headless: true, offline: true, viewport: { width: 1280, height: 900 },
  });
}

// The mode and pair lists of calvora-cli --help.
function helpLists() {
  const help = runCli(['--help']).out.toString('utf8');
  return {
    modes: Array.from(help.matchAll(/^ +(\d+) {2}(\S+) \(rows: (.*)\)$/gm),
      (m) => ({ id: Number(m[1]), caption: m[2], rows: m[3].split(', ') })),
    pairs: Array.from(help.matchAll(/^ {2}([A-Za-z]+-[A-Za-z]+) +A = (.*), B = (.*)$/gm),
      (m) => ({ name: m[1], aMeaning: m[2], bMeaning: m[3] })),
  };
}

module.exports = { runCli, linesOf, variedRows, loadPageModule, convertArguments, expectedProblem, helpLists,
  launchChromium, requiredEnvironment };

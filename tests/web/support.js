// What the page's tests share: the Linux companion they compare with, the
// page's module as node loads it, and the varied entry texts and readings.
'use strict';

const { spawnSync } = require('node:child_process');
const fs = require('node:fs');

function requiredEnvironment(name) {
  const value = process.env[name];
  if (!value) throw new Error(`${name} is not set (ctest sets it; see tests/web/CMakeLists.txt)`);
  return value;
}

// calvora-cli ARGS: its exit code, standard output and standard error, as bytes.
function runCli(args) {
  const result = spawnSync(requiredEnvironment('CALVORA_HOST_CLI'), args);
  if (result.error) throw result.error;
  return { code: result.status, out: result.stdout, err: result.stderr };
}

// The lines a companion's output holds (its last line end dropped).
function linesOf(bytes) {
  const text = Buffer.isBuffer(bytes) ? bytes.toString('utf8') : bytes;
  return text === '' ? [] : text.replace(/\n$/, '').split('\n');
}

// Seeded records from tests/cli/varied_rows.py: `rows` arrays of `fields`
// texts, what an engineer types mixed with what stresses the arithmetic
// (with `meter`, readings as a meter's log has them).
function variedRows(fields, rows, seed, meter) {
  const args = [requiredEnvironment('CALVORA_VARIED_ROWS'), String(fields), String(rows), String(seed)];
  if (meter) args.push('--meter');
  const result = spawnSync(process.env.PYTHON || 'python3', args, { encoding: 'utf8' });
  if (result.status !== 0) throw new Error(`varied_rows.py: ${result.stderr}`);
  return linesOf(result.stdout).map((line) => line.split(','));
}

// A fresh instance of the page's module with its routines as plain
// functions; every text comes back as the bytes the module wrote.
async function loadPageModule() {
  const script = requiredEnvironment('CALVORA_PAGE_MODULE');
  const factory = require(script);
  // As the page does: the module is handed its WebAssembly.
  const m = await factory({ wasmBinary: fs.readFileSync(script.replace(/\.js$/, '.wasm')) });
  const bytesAt = (pointer) => {
    let end = pointer;
    while (m.HEAPU8[end] !== 0) ++end;
    return Buffer.from(m.HEAPU8.subarray(pointer, end));
  };
  const withStrings = (texts, call) => {
    const pointers = texts.map((text) => {
      const size = m.lengthBytesUTF8(text) + 1;
      const pointer = m._malloc(size);
      m.stringToUTF8(text, pointer, size);
      return pointer;
    });
    try {
      return call(pointers);
    } finally {
      pointers.forEach((p) => m._free(p));
    }
  };
  return {
    catalogue: () => JSON.parse(bytesAt(m._PageCatalogue()).toString('utf8')),
    calc: (modeId, texts) =>
      withStrings(texts, (pointers) => {
        const array = m._malloc(4 * Math.max(1, pointers.length));
        pointers.forEach((p, i) => { m.HEAPU32[array / 4 + i] = p; });
        try {
          return bytesAt(m._PageCalc(modeId, pointers.length, array));
        } finally {
          m._free(array);
        }
      }),
    report: () => bytesAt(m._PageReport()),
    convert: (texts) =>
      withStrings(texts, (pointers) => {
        const code = m._PageConvert(...pointers);
        return {
          code,
          output: bytesAt(m._PageConvertOutput()),
          problem: bytesAt(m._PageConvertProblem()).toString('utf8'),
          field: m._PageConvertProblemField(),
        };
      }),
  };
}

// The command line the page's meter form stands for: both accuracies empty
// leave --accuracy out.
function convertArguments(pair, f, a, b, accuracyA, accuracyB) {
  const args = ['convert'];
  if (accuracyA !== '' || accuracyB !== '') args.push('--accuracy', accuracyA, accuracyB);
  return args.concat(['--', pair, f, a, b]);
}

// What the page shows of the companion's report: its lines without the
// program's name and without the pointer to --help.
function expectedProblem(stderr) {
  return linesOf(stderr)
    .filter((line) => line !== "Try 'calvora-cli --help'.")
    .map((line) => line.replace(/^calvora-cli: /, ''))
    .join('\n');
}

// Debian's Chromium, headless, with a fresh profile in `profile`, as this
// machine's closed network wants it (no background connections), offline.
function launchChromium(profile) {
  const { chromium } = require('playwright-core');
  return chromium.launchPersistentContext(profile, {
    executablePath: process.env.CALVORA_CHROMIUM || '/usr/bin/chromium',
    headless: true,
    args: ['--no-sandbox', '--disable-gpu', '--disable-quic', '--no-first-run',
      '--disable-background-networking', '--disable-component-update', '--disable-sync'],
    offline: true,
    viewport: { width: 1280, height: 900 },
  });
}

// The mode and pair lists of calvora-cli --help.
function helpLists() {
  const help = runCli(['--help']).out.toString('utf8');
  const modes = [];
  for (const m of help.matchAll(/^ +(\d+) {2}(\S+) \(rows: (.*)\)$/gm))
    modes.push({ id: Number(m[1]), caption: m[2], rows: m[3].split(', ') });
  const pairs = [];
  for (const m of help.matchAll(/^ {2}([A-Za-z]+-[A-Za-z]+) +A = (.*), B = (.*)$/gm))
    pairs.push({ name: m[1], aMeaning: m[2], bMeaning: m[3] });
  return { modes, pairs };
}

module.exports = {
  runCli,
  linesOf,
  variedRows,
  loadPageModule,
  convertArguments,
  expectedProblem,
  helpLists,
  launchChromium,
  requiredEnvironment,
};

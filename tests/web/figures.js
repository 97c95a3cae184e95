// Figures of the browser page, printed, nothing asserted (scripts/ci/bench-web.sh
// runs it): the page's size and what is in it, the time from navigation to a
// usable page, and from a click on Calc to the painted result panel, in
// headless Chromium, with the page alone in a folder opened through file://.
//
//   node figures.js PAGE [LOADS] [CALCS]      (NODE_PATH: playwright-core)
'use strict';

const fs = require('node:fs');
const os = require('node:os');
const path = require('node:path');
const { launchChromium } = require('./support.js');

const [pagePath, loadCount = '20', calcCount = '50'] = process.argv.slice(2);

function summary(values) {
  const sorted = values.slice().sort((a, b) => a - b);
  const at = (q) => sorted[Math.min(sorted.length - 1, Math.floor(q * sorted.length))];
  return `median ${at(0.5).toFixed(1)} ms, 90th percentile ${at(0.9).toFixed(1)} ms, ` +
    `best ${sorted[0].toFixed(1)} ms, worst ${sorted[sorted.length - 1].toFixed(1)} ms (${values.length} runs)`;
}

function base64Length(html, name) {
  const found = new RegExp(`const ${name} = '([^']*)'`).exec(html);
  return found ? found[1].length : 0;
}

async function main() {
  const html = fs.readFileSync(pagePath, 'utf8');
  const size = fs.statSync(pagePath).size;
  const wasm = base64Length(html, 'CalvoraWasm');
  const chime = base64Length(html, 'ChimeWav');
  console.log(`page size: ${size} bytes (${(size / 1024).toFixed(1)} KiB; goal at most 400 KB)`);
  console.log(`  WebAssembly as base64 ${wasm} bytes, chime as base64 ${chime} bytes, ` +
    `markup, styles and scripts ${size - wasm - chime} bytes`);

  const folder = fs.mkdtempSync(path.join(os.tmpdir(), 'calvora-figures-'));
  fs.copyFileSync(pagePath, path.join(folder, 'calvora.html'));
  const url = 'file://' + path.join(folder, 'calvora.html');
  const context = await launchChromium(path.join(folder, 'profile'));
  try {
    const page = context.pages()[0] || (await context.newPage());
    // Navigation to usable: from the start of the navigation to the moment
    // the page has built its controls from the module and takes clicks.
    const loads = [];
    for (let i = 0; i < Number(loadCount); ++i) {
      await page.goto(url);
      await page.waitForSelector('html[data-ready="true"]');
      loads.push(await page.evaluate(() => performance.getEntriesByName('calvora-ready')[0].startTime));
    }
    console.log(`navigation to usable page: ${summary(loads)}; goal at most 300 ms`);
    if (process.env.FIGURES_ALL) console.log(loads.map((v) => v.toFixed(1)).join(' '));

    // Calc click to painted panel: from the click's event time to the end of
    // the first frame after it (a task queued from that frame's animation
    // callback runs once the frame is painted); and the click's own work.
    await page.getByRole('button', { name: 'Cs-D', exact: true }).click();
    await page.getByRole('textbox', { name: 'Cs', exact: true }).fill('1');
    await page.getByRole('textbox', { name: 'DF', exact: true }).fill('.01');
    const painted = [];
    const handled = [];
    for (let i = 0; i < Number(calcCount); ++i) {
      await page.evaluate(() => {
        window.calvoraFigure = new Promise((resolve) => {
          window.addEventListener('click', (event) => {
            const start = event.timeStamp;
            const before = performance.now();
            requestAnimationFrame(() => setTimeout(() => resolve({ start, painted: performance.now() }), 0));
            // Calc submits the entry form once the click is dispatched; the
            // page's handler is the form's, so this one runs after it.
            window.addEventListener('submit', () => { window.calvoraHandled = performance.now() - before; }, { once: true });
          }, { capture: true, once: true });
        });
      });
      await page.getByRole('button', { name: 'Calc', exact: true }).click();
      const figure = await page.evaluate(() => window.calvoraFigure);
      painted.push(figure.painted - figure.start);
      handled.push(await page.evaluate(() => window.calvoraHandled));
    }
    console.log(`Calc click to painted panel: ${summary(painted)}; goal within one frame (16 ms)`);
    console.log(`  of which the click's own work (module and table): ${summary(handled)}`);
  } finally {
    await context.close();
    fs.rmSync(folder, { recursive: true, force: true });
  }
}

main().catch((error) => {
  console.error(error);
  process.exit(1);
});

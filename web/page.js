// The page's script: builds the controls from the program's catalogue,
// hands what is typed to the program's routines and places the texts they
// return. It formats no number and reads none: every text shown comes from
// the module (web/PageApi.h).
'use strict';

// The program compiled to WebAssembly, and its completion sound (the WAV of
// the desktop program), as base64.
const CalvoraWasm = '@WASM@';
const ChimeWav = '@CHIME@';

(function startPage() {
  const byId = (id) => document.getElementById(id);
  let module = null;
  let catalogue = null;
  let modeId = 0;

  // ---- Calls into the module ------------------------------------------------

  // Runs `call` with each string of `texts` copied into the module's memory
  // as UTF-8 (and, with `asArray`, an array of their addresses), then frees them.
  function withStrings(texts, call, asArray) {
    const pointers = texts.map((text) => {
      const size = module.lengthBytesUTF8(text) + 1;
      const pointer = module._malloc(size);
      module.stringToUTF8(text, pointer, size);
      return pointer;
    });
    let array = 0;
    if (asArray) {
      array = module._malloc(4 * Math.max(1, pointers.length));
      pointers.forEach((pointer, i) => module.HEAPU32.set([pointer], array / 4 + i));
    }
    try {
      return asArray ? call(array, pointers.length) : call(...pointers);
    } finally {
      pointers.forEach((pointer) => module._free(pointer));
      if (array) module._free(array);
    }
  }

  const textAt = (pointer) => module.UTF8ToString(pointer);

  function bytesOf(base64) {
    const text = atob(base64);
    const bytes = new Uint8Array(text.length);
    for (let i = 0; i < text.length; ++i) bytes[i] = text.charCodeAt(i);
    return bytes;
  }

  // ---- Results: tables, copying, announcing --------------------------------

  // One table row per line; the line's tab-separated parts are its cells,
  // the first a row header. A line of one part spans the row.
  function fillTable(table, text) {
    const body = table.tBodies[0];
    body.replaceChildren();
    const lines = text === '' ? [] : text.replace(/\n$/, '').split('\n');
    let widest = 1;
    for (const line of lines) widest = Math.max(widest, line.split('\t').length);
    for (const line of lines) {
      const parts = line.split('\t');
      const row = body.insertRow();
      parts.forEach((part, i) => {
        const cell = document.createElement(i === 0 ? 'th' : 'td');
        if (i === 0) cell.scope = 'row';
        cell.textContent = part;
        if (i === parts.length - 1 && parts.length < widest) cell.colSpan = widest - i;
        row.append(cell);
      });
    }
    return lines;
  }

  function announce(text) {
    const status = byId('announce');
    status.textContent = '';
    // A fresh text after a tick, so that the same results twice are read again.
    setTimeout(() => { status.textContent = text; }, 50);
  }

  function announceLines(caption, lines) {
    announce(caption + ': ' + lines.map((line) => line.split('\t').join(' ')).join('; '));
  }

  const copyTexts = new Map();

  function setCopyText(button, text) {
    copyTexts.set(button, text);
    button.disabled = text === '';
  }

  async function copyToClipboard(button) {
    const text = copyTexts.get(button) || '';
    try {
      await navigator.clipboard.writeText(text);
    } catch (error) {
      // NOTE: a page served over plain http has no clipboard interface.
      const area = document.createElement('textarea');
      area.value = text;
      area.setAttribute('readonly', '');
      area.style.position = 'fixed';
      area.style.opacity = '0';
      document.body.append(area);
      area.select();
      document.execCommand('copy');
      area.remove();
      button.focus();
    }
    announce('Copied');
  }

  // ---- The chime -----------------------------------------------------------

  let audio = null;
  let chime = null;

  // Opens the audio output and decodes the chime. Opening the output can
  // take a while the first time, so it happens once a mode has been chosen
  // and that click's rows are painted, not in the Calc click.
  function prepareChime() {
    if (audio) return;
    try {
      audio = new AudioContext();
      chime = audio.decodeAudioData(bytesOf(ChimeWav).buffer);
    } catch (error) {
      audio = null;
    }
  }

  // Starts the completion sound and does not wait for it; where the browser
  // cannot play it, nothing is said, as in the window. Resuming the output
  // here, in the click, is what lets browsers that ask for a gesture play.
  function playChime() {
    prepareChime();
    if (!audio) return;
    if (audio.state === 'suspended') audio.resume().catch(() => {});
    chime.then((buffer) => {
      const source = audio.createBufferSource();
      source.buffer = buffer;
      source.connect(audio.destination);
      source.start();
    }, () => {});
  }

  // ---- Message boxes -------------------------------------------------------

  function showBox(caption, text) {
    const box = byId('box');
    byId('box-caption').textContent = caption;
    byId('box-text').textContent = text.replace(/\r\n/g, '\n');
    box.setAttribute('role', 'alertdialog');
    box.showModal();
    byId('box-ok').focus();
  }

  // ---- The calculator ------------------------------------------------------

  function chooseMode(mode) {
    modeId = mode.id;
    for (const button of byId('modes').children)
      button.setAttribute('aria-pressed', String(Number(button.dataset.mode) === mode.id));
    const rows = byId('rows');
    rows.replaceChildren();
    mode.rows.forEach((row, i) => {
      const id = 'entry-' + (i + 1);
      const label = document.createElement('label');
      label.htmlFor = id;
      label.textContent = row.name;
      const input = document.createElement('input');
      input.id = id;
      input.value = row.text;
      setTextInput(input);
      const unit = document.createElement('span');
      unit.className = 'unit';
      unit.textContent = row.unit === null ? '' : row.unit;
      rows.append(label, input, unit);
    });
    byId('hint').textContent = mode.hint;
    byId('entry').setAttribute('aria-label', mode.caption);
    byId('entry-' + mode.focusRow).focus();
    requestAnimationFrame(() => setTimeout(prepareChime, 0));
  }

  function calc() {
    if (modeId === 0) {
      showBox(catalogue.warningCaption, catalogue.warning);
      return;
    }
    const texts = Array.from(byId('rows').querySelectorAll('input'), (input) => input.value);
    const panel = withStrings(texts, (array, count) => textAt(module._PageCalc(modeId, count, array)), true);
    const lines = fillTable(byId('results'), panel);
    setCopyText(byId('copy-results'), panel);
    byId('report').textContent = textAt(module._PageReport());
    playChime();
    announceLines('Results', lines);
  }

  // ---- The meter reading ---------------------------------------------------

  const meterFields = ['meter-f', 'meter-a', 'meter-b', 'meter-acc-a', 'meter-acc-b'];
  const meterDescriptions = ['', '', '', 'accuracy-hint', 'accuracy-hint'];

  function showPairMeaning() {
    const pair = catalogue.pairs[byId('pair').selectedIndex];
    byId('pair-meaning').textContent = 'A = ' + pair.aMeaning + ', B = ' + pair.bMeaning;
  }

  // Marks field `index` invalid with `problem`, or clears it for null.
  function markField(index, problem) {
    const input = byId(meterFields[index]);
    const message = byId(meterFields[index] + '-problem');
    message.textContent = problem || '';
    message.hidden = !problem;
    const described = [meterDescriptions[index], problem ? message.id : ''].filter(Boolean).join(' ');
    if (described) input.setAttribute('aria-describedby', described);
    else input.removeAttribute('aria-describedby');
    if (problem) input.setAttribute('aria-invalid', 'true');
    else input.removeAttribute('aria-invalid');
  }

  function convert() {
    const texts = [byId('pair').value].concat(meterFields.map((id) => byId(id).value));
    const code = withStrings(texts, (...pointers) => module._PageConvert(...pointers));
    const output = textAt(module._PageConvertOutput());
    const problem = textAt(module._PageConvertProblem());
    const field = module._PageConvertProblemField();
    meterFields.forEach((id, i) => markField(i, i === field ? problem : null));
    const formProblem = byId('meter-problem');
    formProblem.textContent = field < 0 ? problem : '';
    formProblem.hidden = field >= 0 || problem === '';
    const lines = fillTable(byId('meter-results'), code === 0 ? output : '');
    setCopyText(byId('copy-meter'), code === 0 ? output : '');
    if (code === 0) {
      announceLines('Meter results', lines);
    } else {
      announce(problem);
      if (field >= 0) byId(meterFields[field]).focus();
    }
  }

  // ---- Views ---------------------------------------------------------------

  function selectTab(tab, focus) {
    for (const other of byId('views').querySelectorAll('[role="tab"]')) {
      const selected = other === tab;
      other.setAttribute('aria-selected', String(selected));
      other.tabIndex = selected ? 0 : -1;
      byId(other.getAttribute('aria-controls')).hidden = !selected;
    }
    if (focus) tab.focus();
  }

  function setUpTabs() {
    const tabs = Array.from(byId('views').querySelectorAll('[role="tab"]'));
    tabs.forEach((tab, i) => {
      tab.addEventListener('click', () => selectTab(tab, true));
      tab.addEventListener('keydown', (event) => {
        const step = { ArrowRight: 1, ArrowLeft: -1 }[event.key];
        let next = null;
        if (step) next = tabs[(i + step + tabs.length) % tabs.length];
        else if (event.key === 'Home') next = tabs[0];
        else if (event.key === 'End') next = tabs[tabs.length - 1];
        if (next) {
          event.preventDefault();
          selectTab(next, true);
        }
      });
    });
  }

  // ---- Building the page ---------------------------------------------------

  // Entry texts as typed on the bench: no capitals, corrections or spelling
  // suggestions from a phone's keyboard ("m" and "M" are different prefixes).
  function setTextInput(input) {
    input.type = 'text';
    input.autocomplete = 'off';
    input.spellcheck = false;
    input.setAttribute('autocapitalize', 'off');
    input.setAttribute('autocorrect', 'off');
  }

  function build() {
    catalogue = JSON.parse(textAt(module._PageCatalogue()));
    document.title = catalogue.title;
    byId('title').textContent = catalogue.title;
    for (const mode of catalogue.modes) {
      const button = document.createElement('button');
      button.type = 'button';
      button.textContent = mode.caption;
      button.dataset.mode = String(mode.id);
      button.setAttribute('aria-pressed', 'false');
      button.addEventListener('click', () => chooseMode(mode));
      byId('modes').append(button);
    }
    byId('calc').textContent = catalogue.calc;
    byId('print').textContent = catalogue.print;
    byId('about').textContent = catalogue.about;
    byId('entry').addEventListener('submit', (event) => {
      event.preventDefault();
      calc();
    });
    byId('print').addEventListener('click', () => window.print());
    byId('about').addEventListener('click', () => showBox(catalogue.aboutCaption, catalogue.aboutText));
    byId('box-ok').addEventListener('click', () => byId('box').close());
    byId('report').textContent = textAt(module._PageReport());

    for (const pair of catalogue.pairs) byId('pair').add(new Option(pair.name, pair.name));
    byId('pair').addEventListener('change', showPairMeaning);
    showPairMeaning();
    for (const id of meterFields) setTextInput(byId(id));
    byId('meter-form').addEventListener('submit', (event) => {
      event.preventDefault();
      convert();
    });
    for (const button of [byId('copy-results'), byId('copy-meter')])
      button.addEventListener('click', () => copyToClipboard(button));
    setUpTabs();
    document.documentElement.dataset.ready = 'true';
    performance.mark('calvora-ready');
  }

  if (typeof WebAssembly !== 'object') {
    byId('unsupported').hidden = false;
    return;
  }
  // The module is handed its WebAssembly, so that it fetches nothing.
  CalvoraModule({ wasmBinary: bytesOf(CalvoraWasm) }).then((instance) => {
    module = instance;
    build();
  });
})();

// The page of `vezuved serve`: every request goes to the tool, which reads,
// draws, converts and copies with the code of its commands.
'use strict';

// lines: each opened set's points by "file:set"; hidden: the keys not
// drawn; changed: the chosen set's lines as the filters leave them;
// figures: their stats, kept to show again in other units.
const state = { files: [], definitions: [], chosen: null, lines: new Map(), hidden: new Set(), changed: null, figures: [] };
// This page's name to the server: its views are numbered under it.
const page = crypto.randomUUID();
const $ = (selector) => document.querySelector(selector);

function element(tag, attributes = {}, ...children) {
  const node = document.createElement(tag);
  for (const [key, value] of Object.entries(attributes)) {
    if (key === 'class') node.className = value;
    else if (key.startsWith('on')) node.addEventListener(key.slice(2), value);
    else node.setAttribute(key, value);
  }
  for (const child of children) node.append(child);
  return node;
}

// Work that takes longer than 300 ms shows that it is going on.
let working = 0;
let workingTimer = null;
function work(step) {
  working += step;
  if (working > 0 && !workingTimer) workingTimer = setTimeout(() => { $('#busy').hidden = false; }, 300);
  if (working === 0) {
    clearTimeout(workingTimer);
    workingTimer = null;
    $('#busy').hidden = true;
  }
}

// A refusal comes back as an Error of its words. (A view the server finds
// replaced was aborted here before the newer one was sent.)
async function ask(url, options = {}) {
  work(1);
  try {
    const response = await fetch(url, options);
    if (!response.ok) throw new Error((await response.text()).trim() || response.statusText);
    return response;
  } finally {
    work(-1);
  }
}

function renderFiles() {
  const list = $('#files');
  list.replaceChildren();
  for (const file of state.files) {
    const rows = file.sets.map((set) => {
      const pick = element('input', { type: 'checkbox', class: 'bundle', value: `${file.id}:${set.index}` });
      pick.addEventListener('click', (event) => event.stopPropagation());
      const chosen = Boolean(state.chosen && state.chosen.file.id === file.id && state.chosen.set.index === set.index);
      // The set's name is a button: reached with Tab, chosen with Enter or Space.
      const name = element('button', { class: 'choose', 'aria-pressed': String(chosen), title: `Draw ${set.kind} ${set.title}` }, set.title);
      name.addEventListener('click', (event) => { event.stopPropagation(); choose(file, set); });
      pick.setAttribute('aria-label', `Tick ${set.title}`);
      const key = `${file.id}:${set.index}`;
      const shown = element('input', { type: 'checkbox', class: 'shown', 'aria-label': `Show ${set.title} on the map` });
      shown.checked = !state.hidden.has(key);
      shown.addEventListener('click', (event) => event.stopPropagation());
      shown.addEventListener('change', () => { if (shown.checked) state.hidden.delete(key); else state.hidden.add(key); redraw(); });
      const row = element('tr', { class: 'set', 'data-file': file.id, 'data-set': set.index },
        element('td', {}, pick), element('td', {}, name), element('td', {}, set.kind), element('td', { class: 'count' }, String(set.count)),
        element('td', { title: 'Shown on the map' }, shown));
      row.addEventListener('click', () => choose(file, set));
      if (chosen) row.classList.add('chosen');
      return row;
    });
    const close = element('button', { class: 'close', title: `Close ${file.name}`, 'aria-label': `Close ${file.name}` }, 'Close');
    close.addEventListener('click', () => closeFile(file));
    const box = element('div', { class: 'file', 'data-name': file.name }, element('div', { class: 'name' }, file.name, ' ', close));
    if (rows.length) box.append(element('table', {}, element('tbody', {}, ...rows)));
    if (file.failure) box.append(element('p', { class: 'failure' }, file.failure));
    if (file.problems) box.append(element('p', { class: 'problems' }, file.problems));
    list.append(box);
  }
  const definitions = $('#definition');
  definitions.replaceChildren(...state.definitions.map((name) => element('option', { value: name }, name)));
}

async function closeFile(file) {
  await ask(`/api/close?file=${file.id}`, { method: 'POST' });
  if (state.chosen && state.chosen.file.id === file.id) {
    // What was drawn of it goes with it.
    state.chosen = null;
    state.changed = null;
    state.figures = [];
    for (const id of ['#stats']) $(id).replaceChildren();
    for (const id of ['#chosen', '#looking']) $(id).textContent = '';
  }
  for (const key of [...state.lines.keys()]) if (key.startsWith(`${file.id}:`)) state.lines.delete(key);
  await refreshFiles();
  redraw();
}

// One refresh at a time, in the order asked: a close and an open at once
// leave the later list, never an answer the other overtook.
let refreshing = Promise.resolve();
function refreshFiles() {
  refreshing = refreshing.then(readFiles, readFiles);
  return refreshing;
}

async function readFiles() {
  const answer = await (await ask('/api/files')).json();
  state.files = answer.files;
  state.definitions = answer.definitions;
  state.device = answer.device;
  state.filters = answer.filters;
  $('#where').textContent = 'PC folder: ' + answer.folder;
  $('#sync').hidden = !state.device;
  renderFiles();
  // Every set of a newly opened file is drawn.
  for (const file of state.files) {
    if (!file.sets.length || state.lines.has(`${file.id}:0`)) continue;
    try {
      const { sets } = await (await ask(`/api/lines?file=${file.id}`)).json();
      sets.forEach((line, index) => state.lines.set(`${file.id}:${index}`, line));
    } catch (error) {
      file.failure = file.failure || error.message;
    }
  }
  redraw();
}

// The scale bar of the view shown, measured again whenever the window's
// size, and the view's on screen with it, changes.
let rescale = null;
window.addEventListener('resize', () => rescale && rescale());

// Every shown set on one view; the chosen one's change over its original,
// drawn faintly; the profile of the changed line beside it.
function redraw() {
  const units = $('#units').value, clock = $('#clock').value;
  const chosenKey = state.chosen ? `${state.chosen.file.id}:${state.chosen.set.index}` : null;
  const layers = [];
  let index = 0;
  for (const [key, line] of state.lines) {
    const colour = View.colourOf(index++);
    if (state.hidden.has(key) && key !== chosenKey) continue;
    if (key === chosenKey && state.changed) {
      layers.push({ line, colour, faint: true });
      for (const changed of state.changed) layers.push({ line: changed, colour: '#d62728', chosen: true });
    } else {
      layers.push({ line, colour });
    }
  }
  const title = state.chosen ? state.chosen.set.title : 'the opened files';
  const drawn = View.drawMap($('#map'), layers, title, units);
  rescale = drawn && drawn.showScale;
  if (drawn) {
    panAndZoom(drawn.picture, drawn.showScale);
    drawn.showScale();
  }
  const line = state.changed && state.changed.find((one) => one.kind !== 'points');
  View.drawProfile($('#profile'), $('#readout'), line, drawn, units, clock);
  $('#stats').textContent = View.figuresText(state.figures, units, clock);
}

async function upload(fileList) {
  const form = new FormData();
  for (const file of fileList) form.append('files', file, file.name);
  const said = $('#open-result');
  said.textContent = '';
  try {
    await ask('/api/open', { method: 'POST', body: form });
  } catch (error) {
    said.textContent = `${[...fileList].map((file) => file.name).join(', ')}: ${error.message}`;
    return;
  }
  await refreshFiles();
  const last = state.files[state.files.length - 1];
  if (last && last.sets.length) await choose(last, last.sets[0]);
}

// Pan and zoom by the drawing's own viewBox: no tiles, no network.
// moved: told after each change, for the scale bar.
function panAndZoom(svg, moved) {
  const box = svg.viewBox.baseVal;  // never empty: the map's margin keeps it wide
  svg.addEventListener('wheel', (event) => {
    event.preventDefault();
    const factor = event.deltaY > 0 ? 1.2 : 1 / 1.2;
    const rect = svg.getBoundingClientRect();
    const x = box.x + (event.clientX - rect.left) / rect.width * box.width;
    const y = box.y + (event.clientY - rect.top) / rect.height * box.height;
    box.x = x - (x - box.x) * factor; box.y = y - (y - box.y) * factor;
    box.width *= factor; box.height *= factor;
    moved();
  });
  let from = null;
  svg.addEventListener('pointerdown', (event) => { from = { x: event.clientX, y: event.clientY }; });
  window.addEventListener('pointerup', () => { from = null; });
  svg.addEventListener('pointermove', (event) => {
    if (!from) return;
    const rect = svg.getBoundingClientRect();
    box.x -= (event.clientX - from.x) / rect.width * box.width;
    box.y -= (event.clientY - from.y) / rect.height * box.height;
    from = { x: event.clientX, y: event.clientY };
  });
}

async function choose(file, set) {
  state.chosen = { file, set };
  renderFiles();
  $('#chosen').textContent = `${file.name}: ${set.kind} '${set.title}', ${set.count} point(s)`;
  $('#looking').textContent = `${set.kind} '${set.title}' of ${file.name}`;
  renderChange();
  state.changed = null;
  state.figures = [];
  await preview();
}

// A newer preview stops an older one, so no stale drawing stays.
let drawing = null;
let view = 0;

// Stops the request before, and gives the signal of the one that follows.
function newRequest() {
  if (drawing) drawing.abort();
  drawing = new AbortController();
  return drawing.signal;
}

// The filters, in the order they run; each field takes what its option takes.
const filterFields = [
  ['simplify', 'Simplify to', 'points, or an error such as 10m'],
  ['fit', 'Fit to', 'at most this many points'],
  ['split', 'Split', 'gap=10min, distance=5km or day'],
  ['crop', 'Crop', 'time=2021-08-14T08:00Z..  or  box=S,W,N,E'],
];

function renderChange() {
  const change = $('#change');
  change.replaceChildren();
  if (!state.chosen || !state.filters) return;
  for (const [name, label, hint] of filterFields) {
    const input = element('input', { name, placeholder: hint, size: '28' });
    input.addEventListener('input', () => { clearTimeout(state.previewTimer); state.previewTimer = setTimeout(preview, 250); });
    change.append(element('label', { class: 'filter' }, label + ' ', input));
  }
  change.append(element('p', { class: 'after' }, `${state.chosen.set.count} point(s)`));
  change.append(element('p', { class: 'notes' }));
}

// Before anything is written: the counts the filters would leave.
async function preview() {
  const { file, set } = state.chosen;
  const seq = ++view;
  const query = new URLSearchParams({ file: file.id, set: set.index, page, seq, points: 1, ...changeOptions() });
  const after = $('#change .after');
  const signal = newRequest();
  try {
    const answer = await (await ask('/api/change?' + query, { signal })).json();
    after.textContent = `before: ${answer.before} point(s); after: ` +
      answer.after.map((one) => `${one.title} ${one.count}`).join(', ');
    after.classList.remove('failure');
    $('#change .notes').textContent = answer.problems;
    state.changed = answer.after.map((one) => one.line);
    state.figures = answer.figures;
    redraw();
  } catch (error) {
    if (error.name === 'AbortError') return;
    // What the change cannot make is said, and nothing of an older one stays.
    after.textContent = `${file.name}: ${error.message}`;
    after.classList.add('failure');
    state.changed = null;
    state.figures = [];
    for (const id of ['#map', '#stats', '#profile', '#readout', '#change .notes']) $(id).replaceChildren();
  }
}

function takeQuery() {
  const { file, set } = state.chosen;
  const query = new URLSearchParams({ file: file.id, set: set.index, format: $('#format').value });
  if ($('#format').value === 'text') query.set('definition', $('#definition').value);
  for (const [key, value] of Object.entries(changeOptions())) query.set(key, value);
  return query;
}

function changeOptions() {
  const options = {};
  for (const input of document.querySelectorAll('#change input')) if (input.value.trim()) options[input.name] = input.value.trim();
  return options;
}

async function download() {
  if (!state.chosen) return;
  const result = $('#take-result');
  try {
    const response = await ask('/api/take?' + takeQuery());
    const name = /filename="([^"]+)"/.exec(response.headers.get('Content-Disposition') || '');
    const blob = await response.blob();
    const link = element('a', { href: URL.createObjectURL(blob), download: name ? name[1] : 'download' });
    document.body.append(link);
    link.click();
    link.remove();
    result.textContent = `Downloaded ${name ? name[1] : ''} (${blob.size} bytes)`;
    result.className = 'hint';
  } catch (error) {
    result.textContent = `${state.chosen.file.name}: ${error.message}`;
    result.className = 'failure';
  }
}

// The ticked sets in one zip, or (merge) the tracks of their files as one.
async function downloadTicked(merge) {
  const sets = [...document.querySelectorAll('input.bundle:checked')].map((box) => box.value).join(',');
  const result = $('#take-result');
  try {
    const query = new URLSearchParams({ sets, format: $('#format').value, ...(merge ? changeOptions() : {}) });
    const response = await ask((merge ? '/api/take-merged?' : '/api/take-zip?') + query);
    const name = /filename="([^"]+)"/.exec(response.headers.get('Content-Disposition') || '')[1];
    const blob = await response.blob();
    const link = element('a', { href: URL.createObjectURL(blob), download: name });
    document.body.append(link);
    link.click();
    link.remove();
    result.textContent = `Downloaded ${name} (${blob.size} bytes)`;
    result.className = 'hint';
  } catch (error) {
    result.textContent = error.message;
    result.className = 'failure';
  }
}

function transferOptions() {
  const options = {};
  for (const box of document.querySelectorAll('#sync .options input')) if (box.checked) options[box.name] = '1';
  return options;
}

async function refreshDevice() {
  let listing;
  try {
    listing = await (await ask('/api/device', { method: 'POST' })).json();
  } catch (error) {
    // Busy with a copy: the listing comes when it ends.
    $('#device-problems').textContent = error.message;
    return;
  }
  const rows = listing.rows.map((row) => element('tr', { 'data-name': row.name },
    element('td', {}, row.kind), element('td', {}, row.name), element('td', {}, String(row.records)),
    element('td', {}, row.deviceModified), element('td', {}, row.pcModified),
    element('td', { class: 'state' }, row.state),
    element('td', {}, element('button', { onclick: () => copy('pull', { name: row.name, kind: row.kind }) }, 'Pull'))));
  $('#device tbody').replaceChildren(...rows);
  $('#device-problems').textContent = [listing.failure, listing.problems].filter(Boolean).join('\n');
  $('#device-note').textContent = listing.fresh
    ? 'The handheld holds no databases yet. Push a file or the chosen set, with "Create" ticked, to begin.' : '';
  const only = new Set(listing.pcOnly.map((path) => path.split(/[\\/]/).pop()));
  $('#folder tbody').replaceChildren(...listing.folder.map((file) => element('tr', { 'data-name': file.name },
    element('td', {}, file.name), element('td', {}, only.has(file.name) ? 'Only on PC' : ''),
    element('td', {}, element('button', { onclick: () => copy('push', { name: file.name }) }, 'Push')))));
}

async function copy(direction, what) {
  const options = transferOptions();
  // A move deletes the PC file: asked first, every time.
  if (options.move && direction === 'push' &&
      !window.confirm(`Move ${what.name || 'the chosen set'} to the handheld and delete it from the PC folder?`)) return;
  const query = new URLSearchParams({ ...what, ...options });
  try {
    const { job } = await (await ask(`/api/device/${direction}?` + query, { method: 'POST' })).json();
    await follow(job);
  } catch (error) {
    $('#jobs').prepend(element('div', { class: 'job failed' }, error.message));
  }
}

// Live progress of each copy, the question --ask puts, and each failure by name.
async function follow(id) {
  const box = element('div', { class: 'job', 'data-job': id });
  $('#jobs').prepend(box);
  for (;;) {
    const job = await (await ask(`/api/jobs/${id}`)).json();
    box.replaceChildren(element('div', {}, `${job.what}: ${job.finished ? job.result : 'copying'}`),
      ...job.items.map((item) => element('div', { class: item.failure ? 'failed' : '' },
        element('progress', { max: String(item.total || 1), value: String(item.stage === 2 ? (item.total || 1) : item.done) }),
        ` ${item.item}: ${item.failure ? 'failed: ' + item.failure : item.stage === 2 ? 'done' : item.stage < 0 ? 'stopped' : 'copying'}`)));
    if (job.finished && job.messages) box.append(element('div', { class: 'notes' }, job.messages));
    if (job.failed) box.classList.add('failed');
    if (job.question) await answer(job);
    if (job.finished) break;
    await new Promise((resolve) => setTimeout(resolve, 150));
  }
  await refreshDevice();
}

function answer(job) {
  const dialog = $('#question');
  $('#question-text').textContent = `${job.question} exists. Copying: ${job.sourceDate}; existing: ${job.destinationDate}. Replace it?`;
  dialog.showModal();
  return new Promise((resolve) => {
    for (const button of dialog.querySelectorAll('button')) {
      button.onclick = async () => {
        dialog.close();
        await ask(`/api/jobs/${job.id}/answer?answer=${button.dataset.answer}`, { method: 'POST' });
        resolve();
      };
    }
  });
}

async function pushChosen() {
  if (!state.chosen) return;
  await copy('push', { file: state.chosen.file.id, set: state.chosen.set.index, ...changeOptions() });
}

// The server ends when its last page closes, or on Quit: each page says
// hello when it opens and now and then after, and goodbye when it goes.
const hello = () => fetch('/api/hello?page=' + page, { method: 'POST' }).catch(() => {});
hello();
setInterval(hello, 30000);
window.addEventListener('pagehide', () => navigator.sendBeacon('/api/goodbye?page=' + page));
$('#quit').addEventListener('click', async () => {
  await ask('/api/quit', { method: 'POST' });
  document.querySelector('main').replaceChildren(element('p', { role: 'status' },
    'VEZUVed has stopped, and what was opened here is removed. This tab can be closed.'));
});

const drop = $('#drop');
drop.addEventListener('dragover', (event) => { event.preventDefault(); drop.classList.add('over'); });
drop.addEventListener('dragleave', () => drop.classList.remove('over'));
drop.addEventListener('drop', (event) => { event.preventDefault(); drop.classList.remove('over'); upload(event.dataTransfer.files); });
$('#pick').addEventListener('change', (event) => upload(event.target.files));
$('#download').addEventListener('click', download);
for (const id of ['#units', '#clock']) $(id).addEventListener('change', redraw);
$('#download-zip').addEventListener('click', () => downloadTicked(false));
$('#download-merged').addEventListener('click', () => downloadTicked(true));
$('#push-set').addEventListener('click', pushChosen);
$('#refresh').addEventListener('click', refreshDevice);
refreshFiles().then(() => (state.device ? refreshDevice() : null));

// Drives `vezuved serve` in Debian's chromium: open a GPX of several
// tracks, see each set and the map, take one as .pdb and compare it with
// `vezuved convert`, split it and take and push the pieces, push it to an
// emulated handheld that starts fresh, open a KMZ, a broken file and one
// over the limit, choose and download from the keyboard alone, check the
// page with axe-core, save a screenshot for the README and Quit.
'use strict';

const assert = require('node:assert/strict');
const { spawn, execFileSync } = require('node:child_process');
const fs = require('node:fs');
const os = require('node:os');
const path = require('node:path');
const { chromium } = require('playwright-core');

const root = path.resolve(__dirname, '../..');
const build = process.env.VEZUVED_BUILD_DIR || path.join(root, 'build');
const tool = process.env.VEZUVED_TOOL || path.join(build, 'cli', 'vezuved');
const browserPath = process.env.CHROMIUM || '/usr/bin/chromium';
const screenshot = process.env.SCREENSHOT || path.join(root, 'docs', 'serve.png');

// Three tracks; the second has 400 points on a winding line with elevations,
// taller than it is wide.
function severalTracks() {
  const track = (name, count, phase) => {
    let points = '';
    for (let i = 0; i < count; i++) {
      const lat = (46.40 + i * 0.0002 + 0.002 * Math.sin(i / 15 + phase)).toFixed(6);
      const lon = (13.80 + i * 0.0002 + 0.002 * Math.cos(i / 11 + phase)).toFixed(6);
      const ele = (800 + 300 * Math.sin(i / 60)).toFixed(1);
      // Half an hour's pause half way: a split by gap=5min makes two pieces.
      const time = new Date(Date.UTC(2024, 5, 1, 8, 0, i * 10 + (i >= count / 2 ? 1800 : 0))).toISOString().replace('.000', '');
      points += `<trkpt lat="${lat}" lon="${lon}"><ele>${ele}</ele><time>${time}</time></trkpt>\n`;
    }
    return `<trk><name>${name}</name><trkseg>\n${points}</trkseg></trk>\n`;
  };
  return '<?xml version="1.0" encoding="UTF-8"?>\n<gpx version="1.1" creator="test" xmlns="http://www.topografix.com/GPX/1/1">\n' +
    '<wpt lat="46.41" lon="13.81"><name>Hut</name></wpt>\n<wpt lat="46.43" lon="13.86"><name>Summit</name></wpt>\n' +
    track('Morning', 120, 0) + track('Ridge', 400, 1) + track('Return', 80, 2) + '</gpx>\n';
}

// A database's header dates (creation, modification) say when it was written.
function withoutDates(bytes) {
  const copy = Buffer.from(bytes);
  copy.fill(0, 36, 44);
  return copy;
}

function startServer(folder, device) {
  const server = spawn(tool, ['serve', '--no-open', '--port', '0', '--folder', folder, '--device', device, '--max-upload', '1'],
    { stdio: ['ignore', 'pipe', 'pipe'] });
  let errors = '';
  server.stderr.on('data', (data) => { errors += data; });
  const address = new Promise((resolve, reject) => {
    let out = '';
    server.stdout.on('data', (data) => {
      out += data;
      const line = /^(http:\/\/127\.0\.0\.1:\d+\/\?token=[0-9a-f]{32})\n/.exec(out);
      if (line) resolve(line[1]);
    });
    server.on('exit', (code) => reject(new Error(`serve ended (${code}): ${errors}`)));
  });
  return { server, address, errors: () => errors };
}

async function main() {
  const scratch = fs.mkdtempSync(path.join(os.tmpdir(), 'vezuved-browser-'));
  const folder = path.join(scratch, 'pc');
  const device = path.join(scratch, 'handheld');
  fs.mkdirSync(folder);
  fs.mkdirSync(device);
  fs.writeFileSync(path.join(folder, 'Blank.rli'), '');
  const gpx = path.join(scratch, 'several.gpx');
  fs.writeFileSync(gpx, severalTracks());
  const broken = path.join(scratch, 'broken.gpx');
  fs.writeFileSync(broken, '<?xml version="1.0"?>\n<gpx><trk><trkseg><trkpt lat="1" lon="2">\n');
  // A track that never moved, for an hour: its profile is no distance long; its last point has no elevation.
  const still = path.join(scratch, 'still.gpx');
  fs.writeFileSync(still, '<gpx><trk><name>Still</name><trkseg><trkpt lat="46.4" lon="13.8"><ele>5</ele>' +
    '<time>2024-06-01T08:00:00Z</time></trkpt><trkpt lat="46.4" lon="13.8"><time>2024-06-01T09:00:00Z</time>' +
    '</trkpt></trkseg></trk></gpx>\n');
  // A degree of latitude by two of longitude at 60° N.
  // A level kilometre, a little over: its profile lies flat, its length is said in kilometres.
  const level = path.join(scratch, 'level.gpx');
  fs.writeFileSync(level, '<gpx><trk><name>Level</name><trkseg><trkpt lat="46.4" lon="13.8"><ele>7</ele></trkpt>' +
    '<trkpt lat="46.409" lon="13.8"><ele>7</ele></trkpt></trkseg></trk></gpx>\n');
  const square = path.join(scratch, 'square.gpx');
  fs.writeFileSync(square, '<gpx><trk><name>Square</name><trkseg><trkpt lat="60" lon="0"/><trkpt lat="61" lon="0"/>' +
    '<trkpt lat="61" lon="40"/><trkpt lat="60" lon="40"/></trkseg></trk></gpx>\n');
  const unlined = path.join(scratch, 'unlined.gpx');
  fs.writeFileSync(unlined, fs.readFileSync(still, 'utf8').replace('<name>Still</name>', '<name>Unlined</name>'));
  const large = path.join(scratch, 'large.gpx');
  fs.writeFileSync(large, ' '.repeat(2 << 20));
  // A KMZ: a zip whose doc.kml holds one place.
  const kmz = path.join(scratch, 'places.kmz');
  execFileSync('python3', ['-c', 'import sys, zipfile; zipfile.ZipFile(sys.argv[1], "w").writestr("doc.kml", sys.argv[2])', kmz,
    '<?xml version="1.0"?><kml xmlns="http://www.opengis.net/kml/2.2"><Document><Placemark><name>Pass</name>' +
    '<Point><coordinates>13.9,46.4,1500</coordinates></Point></Placemark></Document></kml>']);

  const { server, address, errors } = startServer(folder, device);
  const browser = await chromium.launch({ executablePath: browserPath, args: ['--no-sandbox'] });
  try {
    const url = await address;
    const page = await browser.newPage({ viewport: { width: 1280, height: 900 } });
    // The scale bar's length on screen is the length it names at the drawing's scale.
    const scaleTrue = () => {  // run in the page
      const scale = document.querySelector('#map .scale');
      const [length, unit] = scale.textContent.split(' ');
      const metres = Number(length) * { km: 1000, m: 1, mi: 1609.344, ft: 0.3048 }[unit];
      const perMetre = document.querySelector('#map svg').getScreenCTM().a;
      return Math.abs(parseFloat(scale.style.width) - metres * perMetre) < 0.5;
    };
    const scaleIsTrue = () => page.evaluate(scaleTrue);
    page.on('pageerror', (error) => { throw error; });
    await page.goto(url);

    // A fresh handheld holds no databases yet, and says so without a fault.
    await page.locator('#device-note').filter({ hasText: 'holds no databases yet' }).waitFor();
    assert.equal(await page.locator('#device-problems').textContent(), '');

    // Over the limit: refused, naming the limit; nothing is opened.
    await page.setInputFiles('#pick', large);
    await page.locator('#open-result').filter({ hasText: 'larger than the 1 MB' }).waitFor();
    assert.equal(await page.locator('.file').count(), 0);

    // Open: each set with its count.
    await page.setInputFiles('#pick', gpx);
    const sets = page.locator('.file[data-name="several.gpx"] tr.set');
    await sets.nth(3).waitFor();
    assert.deepEqual(await sets.locator('td.count').allTextContents(), ['2', '120', '400', '80']);

    // Look: the map is drawn (lines and labelled points).
    await sets.nth(2).click();
    await page.waitForFunction(() => document.querySelector('#map svg title')?.textContent === 'Ridge');
    const drawn = await page.locator('#map svg').evaluate((svg) => svg.querySelectorAll('path, polyline, circle').length);
    assert.ok(drawn > 0, 'the map draws something');
    // The view holds the lines with a margin of a twentieth of their larger side.
    const margins = await page.locator('#map svg').evaluate((svg) => {
      const [x, y, width, height] = svg.getAttribute('viewBox').split(' ').map(Number);
      let [left, top, right, bottom] = [Infinity, Infinity, -Infinity, -Infinity];
      for (const line of svg.querySelectorAll('path')) {
        const box = line.getBBox();
        [left, top] = [Math.min(left, box.x), Math.min(top, box.y)];
        [right, bottom] = [Math.max(right, box.x + box.width), Math.max(bottom, box.y + box.height)];
      }
      const margin = Math.max(right - left, bottom - top, 50) * 0.05;
      return [left - x, top - y, x + width - right, y + height - bottom].map((m) => Math.abs(m - margin) < 1);
    });
    assert.deepEqual(margins, [true, true, true, true], 'a margin of a twentieth on each side');
    // The scale bar is a round fifth of the frame or so: for the ridge,
    // some kilometres, and some miles once the units are imperial.
    assert.match(await page.locator('#map .scale').textContent(), /^[125] km$/);
    assert.ok(await scaleIsTrue(), 'the scale bar is as long as it says');
    // ... and still when the window, and the map with it, is made narrower.
    await page.setViewportSize({ width: 800, height: 900 });
    await page.waitForFunction(() => document.querySelector('#map svg').getBoundingClientRect().width < 700);
    // The window's resize event, which measures the bar again, may come after the new layout.
    await page.waitForFunction(scaleTrue, null, { timeout: 5000 })
      .catch(() => assert.fail('the scale bar is as long as it says in a narrower window'));
    await page.setViewportSize({ width: 1280, height: 900 });
    // With nothing in hand the busy sign is gone.
    await page.locator('#busy').waitFor({ state: 'hidden' });
    // Lines keep tenths of the view's metres: a walk of a few metres is drawn smooth.
    assert.match(await page.locator('#map svg path').first().getAttribute('d'), /^M-?\d+\.\d -?\d+\.\dL/);

    // A change it cannot make says so in red, and leaves no older drawing.
    await page.locator('#change input[name="simplify"]').fill('abc');
    await page.locator('#change .after.failure')
      .filter({ hasText: 'several.gpx: Simplify to abc: say a point count' }).waitFor();
    await page.waitForFunction(() => !document.querySelector('#map svg'));

    // Change and take: simplified to 100 points, as a database.
    await page.locator('#change input[name="simplify"]').fill('100');
    await page.locator('#map svg').waitFor();
    await page.locator('#change .after').filter({ hasText: 'before: 400 point(s); after: Ridge 100' }).waitFor();
    // The figures of stats, in the units chosen.
    const figures = (distance, distance3d, ascent, descent, average, maximum) => "track 'Ridge'\n  points          100\n" +
      `  segments        1\n  distance        ${distance}\n  distance 3-D    ${distance3d}\n  ascent          ${ascent}\n` +
      `  descent         ${descent}\n  start           2024-06-01T08:00:00Z\n  end             2024-06-01T09:36:30Z\n` +
      `  duration        1:36:30\n  moving time     1:05:50\n  average speed   ${average}\n  maximum speed   ${maximum}`;
    assert.equal(await page.locator('#stats').textContent(), figures('11.65 km', '11.75 km', '703 m', '595 m', '10.5 km/h', '13.8 km/h'));
    await page.selectOption('#format', 'pdb');
    const [download] = await Promise.all([page.waitForEvent('download'), page.click('#download')]);
    const taken = path.join(scratch, 'taken.pdb');
    await download.saveAs(taken);
    const expected = path.join(scratch, 'expected', download.suggestedFilename());
    fs.mkdirSync(path.dirname(expected));
    execFileSync(tool, ['convert', gpx, expected, '--track', '2', '--simplify', '100'], { stdio: 'pipe' });
    assert.ok(withoutDates(fs.readFileSync(taken)).equals(withoutDates(fs.readFileSync(expected))),
      'the page gives the bytes convert writes');
    assert.equal(await page.locator('#take-result').textContent(),
      `Downloaded ${download.suggestedFilename()} (${fs.statSync(taken).size} bytes)`);

    // A set unticked under "shown" leaves the map, the chosen one never.
    const lines = () => page.locator('#map svg path.line').count();
    assert.equal(await lines(), 3, 'two tracks and the chosen one before its change');
    await sets.nth(1).locator('input.shown').uncheck();
    assert.equal(await lines(), 2);
    await sets.nth(2).locator('input.shown').uncheck();
    assert.deepEqual([await lines(), await page.locator('#map svg path.changed').count()], [2, 1]);
    assert.deepEqual(await page.locator('#map svg path').evaluateAll((paths) =>
      [...new Set(paths.map((p) => `${p.getAttribute('class')} ${p.getAttribute('stroke-width')}`))].sort()),
    ['changed 3', 'line 2'], 'the chosen line is drawn wider than the others');
    for (const n of [1, 2]) await sets.nth(n).locator('input.shown').check();
    assert.equal(await lines(), 3);

    // The wheel zooms about the pointer, a drag pans; the view's size follows.
    const viewBox = async () => (await page.locator('#map svg').getAttribute('viewBox')).split(' ').map(Number);
    const [x0, y0, width0, height0] = await viewBox();
    const mapBox = await page.locator('#map svg').boundingBox();
    await page.mouse.move(mapBox.x + mapBox.width / 2, mapBox.y + mapBox.height / 2);
    await page.mouse.wheel(0, 100);
    await page.waitForFunction((w) => Number(document.querySelector('#map svg').getAttribute('viewBox').split(' ')[2]) !== w, width0);
    const [x1, y1, width1, height1] = await viewBox();
    assert.ok(Math.abs(width1 / width0 - 1.2) < 1e-4 && Math.abs(height1 / height0 - 1.2) < 1e-4, 'zoomed out by a fifth');
    // The map's point under the pointer, the middle, stays under it (to a pixel).
    assert.ok(Math.abs(x1 - (x0 - 0.1 * width0)) < width0 / mapBox.width &&
      Math.abs(y1 - (y0 - 0.1 * height0)) < height0 / mapBox.height, 'about the pointer');
    await page.mouse.down();
    await page.mouse.move(mapBox.x + mapBox.width / 2 + 50, mapBox.y + mapBox.height / 2);
    await page.mouse.up();
    const [x2, y2] = await viewBox();
    // Pointer positions are whole pixels: the move is 50 of them, give or take one.
    const pixel = width1 / mapBox.width;
    assert.ok(Math.abs((x1 - x2) - 50 * pixel) <= pixel && y2 === y1,
      'dragged 50 pixels right, the view moves left by as much of the map');

    // Two quick changes: the drawing is the second's.
    await page.locator('#change input[name="simplify"]').fill('50');
    await page.locator('#change input[name="simplify"]').fill('60');
    await page.locator('#change .after').filter({ hasText: 'after: Ridge 60' }).waitFor();
    await page.waitForTimeout(500);
    assert.equal(await page.locator('#map svg path.changed').getAttribute('data-count'), '60',
      'the drawing is the newest change, not an older one');

    // Split: the pieces are said, download as one zip and push apart.
    await page.locator('#change input[name="simplify"]').fill('');
    await page.locator('#change input[name="split"]').fill('gap=5min');
    await page.locator('#change .notes').filter({ hasText: '1 cut, 2 pieces: 200 + 200 points' }).waitFor();
    await page.selectOption('#format', 'pdb');
    const [pieces] = await Promise.all([page.waitForEvent('download'), page.click('#download')]);
    assert.equal(pieces.suggestedFilename(), 'Ridge.zip');
    await pieces.saveAs(path.join(scratch, 'Ridge.zip'));
    assert.deepEqual(execFileSync('unzip', ['-Z1', path.join(scratch, 'Ridge.zip')]).toString().split('\n').filter(Boolean),
      ['Ridge-1.pdb', 'Ridge-2.pdb']);
    await page.click('#push-set');
    for (const piece of ['Ridge-1', 'Ridge-2'])
      await page.locator(`#device tr[data-name="${piece}"] td.state`).filter({ hasText: 'Only on Device' }).waitFor();
    assert.equal(await page.locator('#device-note').textContent(), '');
    await page.locator('#change input[name="split"]').fill('');
    await page.locator('#change input[name="simplify"]').fill('100');
    await page.locator('#change .after').filter({ hasText: 'after: Ridge 100' }).waitFor();

    // Hovering the profile says the point and marks it on the map; the
    // figures follow the units chosen.
    const hint = await page.locator('#profile p.hint').textContent();
    assert.match(hint, /^Elevation (\d+) m to (?!\1 )\d+ m over \d+\.\d\d km; hover or use the arrow keys$/);
    // The sphere's length of the simplified line: a little short of the ellipsoid's 11.65 km of the whole.
    const along = Number(hint.match(/over (\S+) km/)[1]);
    assert.ok(along > 11.2 && along <= 11.65, `the profile is ${along} km long`);
    assert.match(await page.locator('#profile svg path').getAttribute('d'), /^M0\.0 [\d.]+L.*L600\.0 [\d.]+$/,
      'the profile spans its drawing');
    const heights = (await page.locator('#profile svg path').getAttribute('d')).match(/[\d.]+ [\d.]+/g)
      .map((pair) => Number(pair.split(' ')[1]));
    assert.deepEqual([Math.min(...heights), Math.max(...heights)], [5, 155],
      'the highest point 5 from the top of the drawing, the lowest 5 from its bottom');
    // The pointer on the left edge says the first point.
    await page.locator('#profile svg').evaluate((profile) => {
      const rect = profile.getBoundingClientRect();
      profile.dispatchEvent(new PointerEvent('pointermove', { clientX: rect.left, clientY: rect.top + 5 }));
    });
    assert.match(await page.locator('#readout').textContent(), /^0 m · \d+ m · 2024-06-01T08:00:00Z$/);
    // The arrow keys walk the line: right a step on, left back to its first point and no further.
    const first = await page.locator('#readout').textContent();
    await page.locator('#profile svg').focus();
    await page.keyboard.press('ArrowRight');
    await page.waitForFunction((said) => document.querySelector('#readout').textContent !== said, first);
    await page.keyboard.press('ArrowLeft');
    await page.keyboard.press('ArrowLeft');
    assert.equal(await page.locator('#readout').textContent(), first);
    await page.locator('#profile svg').hover();
    await page.locator('#readout').filter({ hasText: /\b\d+\.\d\d km · \d+ m · 2024-06-01T/ }).waitFor();
    // Its cursor stands upright at the point the pointer is over, the middle of the profile.
    const cursor = await page.locator('#profile svg line').evaluate((line) => ['x1', 'x2'].map((end) => Number(line.getAttribute(end))));
    assert.ok(cursor[0] === cursor[1] && Math.abs(cursor[0] - 300) < 40, `the cursor runs ${cursor}`);
    assert.equal(await page.locator('#map svg > circle').last().getAttribute('visibility'), 'visible');
    await page.selectOption('#units', 'imperial');
    assert.equal(await page.locator('#stats').textContent(), figures('7.24 mi', '7.30 mi', '2305 ft', '1952 ft', '6.5 mph', '8.6 mph'));
    assert.match(await page.locator('#map .scale').textContent(), /^(?:[125] mi|[125]0* ft)$/);
    // Zoomed out step by step and back, the scale stays round: feet, then whole miles.
    // Thirteen steps of 1.2 span more than tenfold, so the scale passes a power of ten.
    const frame = await page.locator('#map svg').boundingBox();
    await page.mouse.move(frame.x + frame.width / 2, frame.y + frame.height / 2);
    const scales = new Set();
    for (const delta of [...Array(13).fill(100), ...Array(13).fill(-100)]) {
      const before = await page.locator('#map svg').getAttribute('viewBox');
      await page.mouse.wheel(0, delta);
      await page.waitForFunction((b) => document.querySelector('#map svg').getAttribute('viewBox') !== b, before);
      scales.add(await page.locator('#map .scale').textContent());
      // Its length on screen is what it says: a round length up to a fifth of the frame.
      const bar = await page.locator('#map .scale').boundingBox();
      assert.ok(bar.width > frame.width / 13 && bar.width < frame.width / 5 + 4, `a bar of ${bar.width} px in ${frame.width}`);
    }
    for (const scale of scales) assert.match(scale, /^[125]0* (?:mi|ft)$/);
    assert.ok([...scales].some((scale) => scale.endsWith(' mi')), `zoomed out to miles: ${[...scales]}`);
    assert.match(await page.locator('#readout').textContent(), /^$|mi|ft/);
    await page.selectOption('#units', 'metric');

    // Several at once: two ticked sets in one zip.
    await sets.nth(1).locator('input.bundle').check();
    await sets.nth(2).locator('input.bundle').check();
    const [zipped] = await Promise.all([page.waitForEvent('download'), page.click('#download-zip')]);
    const zip = path.join(scratch, 'sets.zip');
    await zipped.saveAs(zip);
    const listed = execFileSync('unzip', ['-Z1', zip]).toString().split('\n').filter(Boolean);
    assert.deepEqual(listed, ['Morning.pdb', download.suggestedFilename()]);

    // Merged: the file's tracks as one, changed as the page shows.
    const [merged] = await Promise.all([page.waitForEvent('download'), page.click('#download-merged')]);
    assert.equal(merged.suggestedFilename(), 'merged.pdb');
    await merged.saveAs(path.join(scratch, 'merged.pdb'));
    execFileSync(tool, ['convert', gpx, '-o', path.join(scratch, 'expected', 'merged.pdb'), '--what', 'tracks',
      '--merge', '--simplify', '100'], { stdio: 'pipe' });
    assert.ok(withoutDates(fs.readFileSync(path.join(scratch, 'merged.pdb')))
      .equals(withoutDates(fs.readFileSync(path.join(scratch, 'expected', 'merged.pdb')))), 'merged as convert merges');

    // Sync: push the set, bring it back, and the two sides are identical.
    await page.click('#push-set');
    const row = page.locator('#device tr[data-name="Ridge"]');
    await row.locator('td.state').filter({ hasText: 'Only on Device' }).waitFor();
    assert.equal(await row.locator('td').nth(2).textContent(), '100', 'the set goes as the page changed it');
    await page.locator('.job').first().filter({ hasText: 'Ridge: done' }).waitFor();
    const bar = page.locator('.job').first().locator('progress').first();
    assert.equal(await bar.getAttribute('value'), await bar.getAttribute('max'), 'a copy done shows a full bar');
    await row.locator('button').click();
    await row.locator('td.state').filter({ hasText: 'Identical' }).waitFor();

    // With ask, pushing it again puts the question on the page; skip it.
    await page.check('#sync input[name="ask"]');
    await page.click('#push-set');
    await page.locator('#question[open]').waitFor();
    assert.match(await page.locator('#question-text').textContent(), /^Ridge exists\./);
    await page.click('#question button[data-answer="1"]');
    await page.locator('.job').first().filter({ hasText: 'left alone, up to date' }).waitFor();
    await page.uncheck('#sync input[name="ask"]');

    // An empty file pushed from the folder: done, its bar full.
    await page.locator('#folder tr[data-name="Blank.rli"] button').click();
    await page.locator('.job').first().filter({ hasText: 'Blank.rli: done' }).waitFor();
    const empty = page.locator('.job').first().locator('progress').first();
    assert.deepEqual([await empty.getAttribute('value'), await empty.getAttribute('max')], ['1', '1'],
      'an empty copy done shows a full bar');
    // With move, a push asks first; declined, nothing is copied and the PC file stays.
    await page.check('#sync input[name="move"]');
    const jobs = await page.locator('.job').count();
    const asked = [];
    page.once('dialog', (dialog) => { asked.push(dialog.message()); dialog.dismiss(); });
    await page.locator('#folder tr[data-name="Blank.rli"] button').click();
    assert.deepEqual(asked, ['Move Blank.rli to the handheld and delete it from the PC folder?']);
    assert.equal(await page.locator('.job').count(), jobs);
    assert.ok(fs.existsSync(path.join(folder, 'Blank.rli')), 'a declined move keeps the PC file');
    await page.uncheck('#sync input[name="move"]');

    // A file dropped on the page opens as a picked one does; while it is
    // slow to open, the busy sign says so.
    await page.route(/\/api\/open/, async (route) => {
      await new Promise((resolve) => setTimeout(resolve, 1000));
      await route.continue();
    });
    const dragTaken = await page.evaluate(() => {
      const data = new DataTransfer();
      data.items.add(new File(['<gpx><wpt lat="1" lon="2"><name>Dropped</name></wpt></gpx>'], 'dropped.gpx'));
      const over = new DragEvent('dragover', { cancelable: true, dataTransfer: data });
      document.querySelector('#drop').dispatchEvent(over);
      document.querySelector('#drop').dispatchEvent(new DragEvent('drop', { cancelable: true, dataTransfer: data }));
      return over.defaultPrevented;
    });
    assert.ok(dragTaken, 'a drag over the page is taken, so that the drop is allowed');
    await page.locator('#busy').waitFor();
    await page.locator('.file[data-name="dropped.gpx"]').waitFor();
    await page.unroute(/\/api\/open/);
    await page.locator('#busy').waitFor({ state: 'hidden' });
    await page.click('.file[data-name="dropped.gpx"] button.close');
    await page.locator('.file[data-name="dropped.gpx"]').waitFor({ state: 'detached' });

    // A broken file: its error beside it.
    await page.setInputFiles('#pick', broken);
    const failure = page.locator('.file[data-name="broken.gpx"] .failure');
    await failure.waitFor();
    assert.match(await failure.textContent(), /broken\.gpx/);

    // Closed, it leaves the list; the chosen set stays drawn.
    await page.click('.file[data-name="broken.gpx"] button.close');
    await page.locator('.file[data-name="broken.gpx"]').waitFor({ state: 'detached' });

    // A KMZ opens as the command line reads it.
    await page.setInputFiles('#pick', kmz);
    await page.locator('.file[data-name="places.kmz"] tr.set td.count').filter({ hasText: '1' }).waitFor();
    // An opened file's first set is chosen for it.
    await page.locator('.file[data-name="places.kmz"] button.choose[aria-pressed="true"]').waitFor();
    await page.waitForFunction(() => document.querySelector('#map svg title')?.textContent === 'waypoints');

    // A file whose lines cannot be had after it opened says why beside it.
    await page.route(/\/api\/lines\?/, (route) => route.fulfill({ status: 500, body: 'lines lost\n' }));
    await page.setInputFiles('#pick', unlined);
    await page.locator('.file[data-name="unlined.gpx"] .failure').filter({ hasText: /^lines lost$/ }).waitFor();
    await page.unroute(/\/api\/lines\?/);
    await page.click('.file[data-name="unlined.gpx"] button.close');
    await page.locator('.file[data-name="unlined.gpx"]').waitFor({ state: 'detached' });

    // Hovering the far end of a profile no distance long says the last point.
    await page.setInputFiles('#pick', still);
    await page.waitForFunction(() => document.querySelector('#map svg title')?.textContent === 'Still');
    const profileBox = await page.locator('#profile svg').boundingBox();
    await page.locator('#profile svg').hover({ position: { x: profileBox.width - 2, y: 10 } });
    await page.locator('#readout').filter({ hasText: '0 m · no elevation · 2024-06-01T09:00:00' }).waitFor();
    assert.match(await page.locator('#stats').textContent(), /\n {2}duration {8}1:00:00\n/);

    await page.setInputFiles('#pick', level);
    await page.waitForFunction(() => document.querySelector('#map svg title')?.textContent === 'Level');
    assert.equal(await page.locator('#profile p.hint').textContent(),
      'Elevation 7 m to 7 m over 1.00 km; hover or use the arrow keys');
    assert.equal(await page.locator('#profile svg path').getAttribute('d'), 'M0.0 155.0L600.0 155.0');

    // A degree of longitude is drawn as long as it is at the middle latitude of the view.
    await page.setInputFiles('#pick', square);
    await page.waitForFunction(() => document.querySelector('#map svg title')?.textContent === 'Square');
    const [wide, middle] = await page.evaluate(() => {
      const drawn = [...document.querySelectorAll('#map svg path')].find((p) => p.textContent === 'Square');
      const xs = drawn.getAttribute('d').match(/-?[\d.]+/g).map(Number).filter((_, i) => i % 2 === 0);
      const box = document.querySelector('#map svg').viewBox.baseVal;
      return [Math.max(...xs) - Math.min(...xs), -(box.y + box.height / 2) / 110574];
    });
    // Its profile measures every leg on the sphere, the first as well.
    assert.equal(await page.locator('#profile p.hint').textContent(),
      'Elevation not recorded over 2345.01 km; hover or use the arrow keys');
    const fortyDegrees = 40 * 111320 * Math.cos(middle * Math.PI / 180);
    assert.ok(Math.abs(wide / fortyDegrees - 1) < 0.001, `forty degrees at ${middle}° drawn ${wide} long`);
    // Wider than the frame with every open file: the scale follows the width.
    assert.ok(await scaleIsTrue(), 'the scale bar is as long as it says');

    // The keyboard alone: a set chosen with Enter, downloaded with Enter.
    const choice = page.locator('.file[data-name="several.gpx"] button.choose', { hasText: 'Return' });
    await choice.focus();
    await page.keyboard.press('Enter');
    await page.waitForFunction(() => document.querySelector('#map svg title')?.textContent === 'Return');
    await page.locator('#change input[name="simplify"]').fill('');
    await page.selectOption('#format', 'gpx');
    await page.locator('#download').focus();
    const [typed] = await Promise.all([page.waitForEvent('download'), page.keyboard.press('Enter')]);
    assert.equal(typed.suggestedFilename(), 'Return.gpx');

    // axe-core finds nothing serious or critical.
    await page.addScriptTag({ path: require.resolve('axe-core/axe.min.js') });
    const violations = await page.evaluate(async () => (await window.axe.run()).violations
      .filter((v) => v.impact === 'serious' || v.impact === 'critical')
      .map((v) => `${v.id}: ${v.nodes.map((n) => n.target.join(' ')).join(', ')}`));
    assert.deepEqual(violations, [], 'axe-core: ' + violations.join('; '));

    fs.mkdirSync(path.dirname(screenshot), { recursive: true });
    await page.screenshot({ path: screenshot, fullPage: true });

    // Closing the chosen set's file takes its figures and name with it.
    await page.click('.file[data-name="several.gpx"] button.close');
    await page.locator('.file[data-name="several.gpx"]').waitFor({ state: 'detached' });
    assert.deepEqual([await page.locator('#stats').textContent(), await page.locator('#chosen').textContent()], ['', '']);

    // Quit ends the server, and what was uploaded goes with it.
    await page.click('#quit');
    await page.locator('main p[role="status"]').filter({ hasText: 'has stopped' }).waitFor();
    await new Promise((resolve) => server.exitCode !== null ? resolve() : server.on('exit', resolve));
    console.log(`browser test passed; screenshot: ${screenshot}`);
  } finally {
    await browser.close();
    server.kill('SIGTERM');
    await new Promise((resolve) => server.exitCode !== null ? resolve() : server.on('exit', resolve));
    if (!/serve stopped/.test(errors())) console.error(errors());
    fs.rmSync(scratch, { recursive: true, force: true });
  }
}

main().catch((error) => { console.error(error); process.exit(1); });

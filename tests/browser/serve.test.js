// Drives `vezuved serve` in Debian's chromium: open a GPX of several
// tracks, see each set and the map, take one as .pdb and compare it with
// `vezuved convert`, push it to an emulated handheld, open a broken file,
// and save a screenshot of the page for the README.
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

// Three tracks; the second has 400 points on a winding line with elevations.
function severalTracks() {
  const track = (name, count, phase) => {
    let points = '';
    for (let i = 0; i < count; i++) {
      const lat = (46.40 + i * 0.0002 + 0.002 * Math.sin(i / 15 + phase)).toFixed(6);
      const lon = (13.80 + i * 0.0003 + 0.002 * Math.cos(i / 11 + phase)).toFixed(6);
      const ele = (800 + 300 * Math.sin(i / 60)).toFixed(1);
      const time = new Date(Date.UTC(2024, 5, 1, 8, 0, i * 10)).toISOString().replace('.000', '');
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
  const server = spawn(tool, ['serve', '--no-open', '--port', '0', '--folder', folder, '--device', device],
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
  const gpx = path.join(scratch, 'several.gpx');
  fs.writeFileSync(gpx, severalTracks());
  const broken = path.join(scratch, 'broken.gpx');
  fs.writeFileSync(broken, '<?xml version="1.0"?>\n<gpx><trk><trkseg><trkpt lat="1" lon="2">\n');

  const { server, address, errors } = startServer(folder, device);
  const browser = await chromium.launch({ executablePath: browserPath, args: ['--no-sandbox'] });
  try {
    const url = await address;
    const page = await browser.newPage({ viewport: { width: 1280, height: 900 } });
    page.on('pageerror', (error) => { throw error; });
    await page.goto(url);

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

    // A change it cannot make says so in red, and leaves no older drawing.
    await page.locator('#change input[name="simplify"]').fill('abc');
    await page.locator('#change .after.failure').waitFor();
    await page.waitForFunction(() => !document.querySelector('#map svg'));

    // Change and take: simplified to 100 points, as a database.
    await page.locator('#change input[name="simplify"]').fill('100');
    await page.locator('#map svg').waitFor();
    await page.locator('#change .after').filter({ hasText: 'before: 400 point(s); after: Ridge 100' }).waitFor();
    assert.match(await page.locator('#stats').textContent(), /\d/, 'the figures of stats are shown');
    await page.selectOption('#format', 'pdb');
    const [download] = await Promise.all([page.waitForEvent('download'), page.click('#download')]);
    const taken = path.join(scratch, 'taken.pdb');
    await download.saveAs(taken);
    const expected = path.join(scratch, 'expected', download.suggestedFilename());
    fs.mkdirSync(path.dirname(expected));
    execFileSync(tool, ['convert', gpx, expected, '--track', '2', '--simplify', '100'], { stdio: 'pipe' });
    assert.ok(withoutDates(fs.readFileSync(taken)).equals(withoutDates(fs.readFileSync(expected))),
      'the page gives the bytes convert writes');

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

    // A broken file: its error beside it.
    await page.setInputFiles('#pick', broken);
    const failure = page.locator('.file[data-name="broken.gpx"] .failure');
    await failure.waitFor();
    assert.match(await failure.textContent(), /broken\.gpx/);

    // Closed, it leaves the list; the chosen set stays drawn.
    await page.click('.file[data-name="broken.gpx"] button.close');
    await page.locator('.file[data-name="broken.gpx"]').waitFor({ state: 'detached' });

    fs.mkdirSync(path.dirname(screenshot), { recursive: true });
    await page.screenshot({ path: screenshot, fullPage: true });
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

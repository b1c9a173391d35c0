// Measures, in Debian's chromium, how long the page takes from listing an
// opened 100,000-point GPX to its first drawing, and to the chosen set's
// drawing with its profile. Printed, never asserted: a benchmark.
'use strict';

const { spawn } = require('node:child_process');
const fs = require('node:fs');
const os = require('node:os');
const path = require('node:path');
const { chromium } = require('playwright-core');

const root = path.resolve(__dirname, '..');
const build = process.env.VEZUVED_BUILD_DIR || path.join(root, 'build');
const tool = process.env.VEZUVED_TOOL || path.join(build, 'cli', 'vezuved');
const browserPath = process.env.CHROMIUM || '/usr/bin/chromium';
const count = Number(process.env.POINTS || 100000);

function track() {
  const rows = [];
  let latitude = 46.4, longitude = 13.8, heading = 0;
  for (let i = 0; i < count; i++) {
    heading += Math.sin(i * 0.37) * 0.2;
    latitude += Math.cos(heading) * 1.2e-5;
    longitude += Math.sin(heading) * 1.7e-5;
    const time = new Date(Date.UTC(2024, 5, 1, 6, 0, i)).toISOString().replace('.000', '');
    rows.push(`<trkpt lat="${latitude.toFixed(7)}" lon="${longitude.toFixed(7)}"><ele>${(900 + 200 * Math.sin(i / 5000)).toFixed(1)}</ele><time>${time}</time></trkpt>`);
  }
  return '<?xml version="1.0" encoding="UTF-8"?>\n<gpx version="1.1" creator="bench" xmlns="http://www.topografix.com/GPX/1/1">\n' +
    `<trk><name>Long day</name><trkseg>\n${rows.join('\n')}\n</trkseg></trk>\n</gpx>\n`;
}

async function main() {
  const scratch = fs.mkdtempSync(path.join(os.tmpdir(), 'vezuved-bench-'));
  const gpx = path.join(scratch, 'long.gpx');
  fs.writeFileSync(gpx, track());
  const server = spawn(tool, ['serve', '--no-open', '--port', '0', '--folder', scratch], { stdio: ['ignore', 'pipe', 'inherit'] });
  const address = await new Promise((resolve) => {
    let out = '';
    server.stdout.on('data', (data) => {
      out += data;
      const line = /^(http:\/\/127\.0\.0\.1:\d+\/\?token=[0-9a-f]{32})\n/.exec(out);
      if (line) resolve(line[1]);
    });
  });
  const browser = await chromium.launch({ executablePath: browserPath, args: ['--no-sandbox'] });
  try {
    const page = await browser.newPage({ viewport: { width: 1280, height: 900 } });
    await page.goto(address);
    await page.setInputFiles('#pick', gpx);
    await page.locator('tr.set').first().waitFor();
    const listed = Date.now();
    await page.locator('#map svg path').first().waitFor();
    const drawn = Date.now();
    await page.locator('#map svg path.changed').waitFor();
    await page.locator('#profile svg').waitFor();
    const chosen = Date.now();
    console.log(`${count} points (${(fs.statSync(gpx).size / 1e6).toFixed(1)} MB of GPX): first drawing ${drawn - listed} ms after the list ` +
      `(target 1000 ms), the chosen set with its profile ${chosen - listed} ms after it`);
    await page.click('#quit');
  } finally {
    await browser.close();
    server.kill('SIGTERM');
    fs.rmSync(scratch, { recursive: true, force: true });
  }
}

main().catch((error) => { console.error(error); process.exit(1); });

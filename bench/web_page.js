// The intro page in headless Chromium, measured (a benchmark: it prints figures and judges
// nothing). Build the site first (cmake --preset web && cmake --build --preset web).
//  - the site's size: every file, plain and gzip -9;
//  - load -> question: from the start of the page's navigation to the dialog, on the first
//    visit (the service worker's one reload included) and on five later ones;
//  - per frame: rendering and the picture's conversion on the program's thread (without the
//    wait for the display), median and worst over the last 1000 frames;
//  - processor time over SECONDS s of the running intro, per thread kind of the page's
//    renderer process (its main thread, the workers, the audio thread) and in all.
// Usage: node bench/web_page.js SITE_DIR [SECONDS]     (default 20)
'use strict';
const fs = require('fs');
const path = require('path');
const zlib = require('zlib');
const browserLib = require('../tests/web/browser.js');

const site = path.resolve(process.argv[2] || 'build/web/site');
const seconds = Number(process.argv[3] || 20);
const TICKS = 100;  // clock ticks per second of /proc's times

function siteSize() {
  let plain = 0;
  let packed = 0;
  for (const name of fs.readdirSync(site)) {
    const data = fs.readFileSync(path.join(site, name));
    plain += data.length;
    packed += zlib.gzipSync(data, {level: 9}).length;
  }
  return {plain, packed};
}

// Processor ticks per thread name of the given processes (workers counted together).
function threadTicks(pids) {
  const ticks = {};
  for (const pid of pids) {
    let tasks = [];
    try { tasks = fs.readdirSync(`/proc/${pid}/task`); } catch (error) { continue; }
    for (const task of tasks) {
      try {
        const stat = fs.readFileSync(`/proc/${pid}/task/${task}/stat`, 'utf8');
        const name = stat.slice(stat.indexOf('(') + 1, stat.lastIndexOf(')'));
        const fields = stat.slice(stat.lastIndexOf(')') + 2).split(' ');
        const used = Number(fields[11]) + Number(fields[12]);
        const kind = /Worker|worker/.test(name) ? 'workers' : name;
        ticks[kind] = (ticks[kind] || 0) + used;
      } catch (error) { /* the thread ended */ }
    }
  }
  return ticks;
}

// The renderer processes of the browser (the page's is among them).
function rendererPids() {
  const pids = [];
  for (const entry of fs.readdirSync('/proc')) {
    if (!/^\d+$/.test(entry)) continue;
    try {
      const cmdline = fs.readFileSync(`/proc/${entry}/cmdline`, 'utf8');
      if (cmdline.includes('--type=renderer')) pids.push(Number(entry));
    } catch (error) { /* ended */ }
  }
  return pids;
}

const median = (values) => {
  const sorted = [...values].sort((a, b) => a - b);
  return sorted[Math.floor(sorted.length / 2)];
};

browserLib.run(site, async ({url, browser}) => {
  const size = siteSize();
  console.log(`site: ${size.plain} bytes, ${size.packed} bytes with gzip -9`);

  // The first load installs the service worker and reloads once; the later ones are what a
  // returning visitor sees.
  let page = null;
  const warm = [];
  for (let load = 0; load < 6; load++) {
    if (page) await page.close();
    page = await browser.newPage();
    const requested = Date.now();
    await page.goto(url);
    await browserLib.waitFor('the question', () => page.evaluate(() => document.getElementById('box').open), 60);
    const fromRequest = Date.now() - requested;
    const questionAt = await page.evaluate(() => orvantheTest.questionAt);
    if (load === 0) {
      console.log(`load -> question, first visit: ${questionAt.toFixed(0)} ms from the page's ` +
                  `(second) navigation, ${fromRequest} ms from the first request`);
    } else {
      warm.push(questionAt);
    }
  }
  console.log(`load -> question, later visits: median ${median(warm).toFixed(0)} ms, ` +
              `worst ${Math.max(...warm).toFixed(0)} ms (${warm.length} loads)`);

  await page.click('#box-no');
  await browserLib.waitFor('1000 frames', () => page.evaluate(() => orvantheTest.framesPresented() > 1010), 120);
  const times = await page.evaluate(() => orvantheTest.frameTimes());
  const last = times.slice(-1000);
  console.log(`frame (render + conversion), last ${last.length}: median ${median(last).toFixed(2)} ms, ` +
              `worst ${Math.max(...last).toFixed(2)} ms`);

  const pids = rendererPids();
  const before = threadTicks(pids);
  const framesBefore = await page.evaluate(() => orvantheTest.framesPresented());
  await new Promise((r) => setTimeout(r, seconds * 1000));
  const after = threadTicks(pids);
  const framesAfter = await page.evaluate(() => orvantheTest.framesPresented());
  let total = 0;
  const shares = [];
  for (const kind of Object.keys(after)) {
    const used = (after[kind] - (before[kind] || 0)) / TICKS;
    total += used;
    if (used / seconds >= 0.005) shares.push(`${kind} ${(100 * used / seconds).toFixed(1)}%`);
  }
  console.log(`processor over ${seconds} s (share of one core): ${shares.join(', ')}; ` +
              `renderer processes in all ${(100 * total / seconds).toFixed(1)}%; ` +
              `${((framesAfter - framesBefore) / seconds).toFixed(1)} frames/s`);
  await page.close();
});

// What the browser tests share: the site served by our own server (no special headers, as a
// plain static server), headless Chromium driven by puppeteer-core, and a few waits.
// A test exits 0 when it passes, 1 when it fails and 77 when it cannot run here.
'use strict';
const {spawn} = require('child_process');
const fs = require('fs');
const path = require('path');

const SKIP = 77;
const CHROMIUM = process.env.INTRO_CHROMIUM || '/usr/bin/chromium';

function skip(reason) {
  console.log('SKIP: ' + reason);
  process.exit(SKIP);
}

function loadPuppeteer() {
  try {
    return require('puppeteer-core');
  } catch (error) {
    skip('puppeteer-core is not installed (npm ci in tests/web)');
  }
}

// Serves `site` with scripts/serve_site.py; resolves to {url, stop}.
function serve(site) {
  const script = path.join(__dirname, '..', '..', 'scripts', 'serve_site.py');
  const first = 20000 + Math.floor(Math.random() * 20000);
  const server = spawn('python3', [script, site, String(first)], {stdio: ['ignore', 'pipe', 'inherit']});
  // Whatever way this process ends (a skip, a failure, a time-out's signal), the server ends too.
  process.on('exit', () => server.kill());
  return new Promise((resolve, reject) => {
    let out = '';
    server.stdout.on('data', (chunk) => {
      out += chunk;
      const match = out.match(/at (http:\/\/127\.0\.0\.1:\d+\/)/);
      if (match) resolve({url: match[1], stop: () => server.kill()});
    });
    server.on('exit', (code) => reject(new Error('the server ended: ' + code)));
  });
}

async function launch(extraArgs = []) {
  if (!fs.existsSync(CHROMIUM)) skip(CHROMIUM + ' is missing');
  const puppeteer = loadPuppeteer();
  return puppeteer.launch({
    executablePath: CHROMIUM,
    headless: true,
    args: ['--no-sandbox', '--disable-dev-shm-usage', '--autoplay-policy=no-user-gesture-required',
           ...extraArgs],
  });
}

// Polls `condition` (an async function) until it is true; fails with `what` after `seconds`.
// A condition that throws (the page is being reloaded) counts as not yet true.
async function waitFor(what, condition, seconds = 30) {
  const end = Date.now() + seconds * 1000;
  for (;;) {
    const value = await condition().catch(() => false);
    if (value) return value;
    if (Date.now() > end) throw new Error('timed out waiting for ' + what);
    await new Promise((r) => setTimeout(r, 50));
  }
}

// Runs `body(context)` with a served site and a browser; prints PASS or FAIL and exits.
async function run(site, body) {
  if (!fs.existsSync(path.join(site, 'index.html'))) skip('the site is not built: ' + site);
  let server = null;
  let browser = null;
  let status = 0;
  try {
    server = await serve(site);
    browser = await launch();
    await body({url: server.url, browser});
    console.log('PASS');
  } catch (error) {
    console.log('FAIL: ' + (error && error.stack || error));
    status = 1;
  } finally {
    if (browser) await browser.close().catch(() => {});
    if (server) server.stop();
  }
  process.exit(status);
}

// A page with the page's console and errors passed on to ours.
async function openPage(browser, url) {
  const page = await browser.newPage();
  page.on('console', (message) => console.log('page: ' + message.text()));
  page.on('pageerror', (error) => console.log('page error: ' + error.message));
  await page.goto(url);
  return page;
}

function check(condition, what) {
  if (!condition) throw new Error(what);
}

module.exports = {SKIP, skip, serve, launch, waitFor, run, openPage, check};

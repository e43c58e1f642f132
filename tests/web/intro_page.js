// The intro page from a plain static server (no special headers), in headless Chromium:
//  - the start-up question appears as an HTML dialog with the desktop's caption and text;
//  - No: the scene runs in a 740 x 600 area, and frames 1, 60 and 700 on the canvas equal
//    the headless host's frames pixel for pixel (the page's frame gate holds the program
//    at each of them);
//  - hiding the page loses the device (nothing is presented), showing it again recovers it
//    and the frames go on;
//  - a left click ends the intro and the page offers to run it again;
//  - Yes asks the browser for full screen and the scene fills the screen; Escape ends it;
//  - without the service worker (so without shared memory) one line says what is missing.
// Usage: node intro_page.js SITE_DIR INTRO_FRAMES_PROGRAM
'use strict';
const {execFileSync} = require('child_process');
const fs = require('fs');
const os = require('os');
const path = require('path');
const {run, openPage, waitFor, check} = require('./browser.js');

const [site, introFrames] = process.argv.slice(2);
const FRAMES = [1, 60, 700];

function readPpm(file) {
  const data = fs.readFileSync(file);
  const header = data.toString('latin1', 0, 20).match(/^P6\n(\d+) (\d+)\n255\n/);
  if (!header) throw new Error('not a PPM file: ' + file);
  return {width: +header[1], height: +header[2], rgb: data.subarray(header[0].length)};
}

async function questionShown(page) {
  await waitFor('the question', () => page.evaluate(() => document.getElementById('box').open), 60);
  const [caption, text, yes, no] = await page.evaluate(() => ['box-caption', 'box-text', 'box-yes', 'box-no']
      .map((id) => document.getElementById(id).textContent));
  check(caption === 'Orvanthe' && text === 'Run in Fullscreen !?', `question: ${caption} / ${text}`);
  check(yes === 'Yes' && no === 'No', `buttons: ${yes} / ${no}`);
  check(await page.evaluate(() => document.activeElement.id === 'box-yes'), 'Yes has the focus');
}

// The canvas's pixels as red green blue bytes.
async function canvasRgb(page) {
  const base64 = await page.evaluate(() => {
    const canvas = document.getElementById('canvas');
    const rgba = canvas.getContext('2d').getImageData(0, 0, canvas.width, canvas.height).data;
    const rgb = new Uint8Array(rgba.length / 4 * 3);
    for (let i = 0, j = 0; i < rgba.length; i += 4, j += 3) {
      rgb[j] = rgba[i]; rgb[j + 1] = rgba[i + 1]; rgb[j + 2] = rgba[i + 2];
    }
    let text = '';
    for (let i = 0; i < rgb.length; i += 0x8000) {
      text += String.fromCharCode.apply(null, rgb.subarray(i, i + 0x8000));
    }
    return btoa(text);
  });
  return Buffer.from(base64, 'base64');
}

async function framesEqual(page, referenceDir) {
  for (const frame of FRAMES) {
    await page.evaluate((n) => orvantheTest.setFrameGate(n), frame);
    await waitFor(`frame ${frame} on the canvas`, () => page.evaluate(
        (n) => orvantheTest.framesPresented() === n && orvantheTest.pictureShown() === n, frame), 60);
    const got = await canvasRgb(page);
    const want = readPpm(path.join(referenceDir, `frame_${String(frame).padStart(4, '0')}.ppm`));
    check(want.width === 800 && want.height === 600, 'reference size');
    let differing = 0;
    let first = -1;
    for (let i = 0; i < want.rgb.length; i += 3) {
      if (got[i] !== want.rgb[i] || got[i + 1] !== want.rgb[i + 1] || got[i + 2] !== want.rgb[i + 2]) {
        if (first < 0) first = i / 3;
        differing++;
      }
    }
    check(differing === 0, `frame ${frame}: ${differing} pixels differ, the first at ` +
          `(${first % 800}, ${Math.floor(first / 800)})`);
    console.log(`frame ${frame}: equal`);
  }
  await page.evaluate(() => orvantheTest.setFrameGate(-1));
}

async function hideAndShow(page, browser) {
  const frames = () => page.evaluate(() => orvantheTest.framesPresented());
  const lostBefore = await page.evaluate(() => orvantheTest.lostAnswers());
  // Another tab in front hides this one.
  const other = await browser.newPage();
  await other.bringToFront();
  await waitFor('the page hidden', () => page.evaluate(() => document.hidden), 10);
  await waitFor('the device lost', async () =>
      (await page.evaluate(() => orvantheTest.lostAnswers())) > lostBefore, 10);
  const hiddenAt = await frames();
  await new Promise((r) => setTimeout(r, 500));
  check(await frames() <= hiddenAt + 1, 'no frames are presented while hidden');
  await page.bringToFront();
  await other.close();
  await waitFor('the page visible', () => page.evaluate(() => !document.hidden), 10);
  await waitFor('frames again after the recovery', async () => (await frames()) > hiddenAt + 30, 30);
  console.log('hidden and shown again: the device was lost and recovered');
}

run(site, async ({url, browser}) => {
  const referenceDir = fs.mkdtempSync(path.join(os.tmpdir(), 'intro-frames-'));
  try {
    execFileSync(introFrames, [referenceDir, ...FRAMES.map(String)], {stdio: 'inherit'});

    // No: windowed.
    let page = await openPage(browser, url);
    await questionShown(page);
    check(await page.evaluate(() => crossOriginIsolated), 'the page is cross-origin isolated');
    await page.evaluate(() => orvantheTest.setFrameGate(0));
    await page.click('#box-no');
    await framesEqual(page, referenceDir);
    const box = await page.evaluate(() => orvantheTest.canvasBox());
    check(box.width === 740 && box.height === 600 && !box.hidden, `stage ${JSON.stringify(box)}`);
    check(!(await page.evaluate(() => orvantheTest.fullscreenAsked())), 'No does not ask for full screen');

    await hideAndShow(page, browser);

    await page.mouse.click(box.x + 100, box.y + 100);
    await waitFor('the end', () => page.evaluate(() => orvantheTest.exitCode !== null), 20);
    check(await page.evaluate(() => !document.getElementById('ended').hidden &&
                              document.getElementById('again').textContent === 'Run it again'),
          'the page offers to run it again');
    await page.close();

    // Yes: full screen.
    page = await openPage(browser, url);
    await questionShown(page);
    await page.keyboard.press('Enter');
    check(await page.evaluate(() => orvantheTest.fullscreenAsked()), 'Yes asks for full screen');
    await waitFor('frames in full screen', () => page.evaluate(() => orvantheTest.framesPresented() > 10), 30);
    check(await page.evaluate(() => document.body.classList.contains('fullscreen')), 'full-screen layout');
    await page.keyboard.press('Escape');
    await waitFor('the end after Escape', () => page.evaluate(() => orvantheTest.exitCode !== null), 20);
    await page.close();

    // No cross-origin isolation: no WebAssembly threads.
    page = await browser.newPage();
    await page.setBypassServiceWorker(true);
    await page.goto(url);
    const missing = await waitFor('the missing feature', () => page.evaluate(() => {
      const line = document.getElementById('missing');
      return !line.hidden && line.textContent;
    }), 20);
    check(/WebAssembly threads/.test(missing), 'the line says: ' + missing);
    check(await page.evaluate(() => !document.getElementById('box').open), 'no question without threads');
    console.log('without isolation: ' + missing);
    await page.close();
  } finally {
    fs.rmSync(referenceDir, {recursive: true, force: true});
  }
});

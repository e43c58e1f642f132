// The intro page's sound in headless Chromium: what the AudioWorklet played over at least
// 10 s equals xm2wav's bytes for the embedded module, with no underrun. The worklet keeps
// every frame it played (the page's ?capture); before the song starts it plays silence, so
// the comparison starts where the song's first sound lands.
// Usage: node intro_sound.js SITE_DIR XM2WAV EMBEDDED_XM
'use strict';
const {execFileSync} = require('child_process');
const fs = require('fs');
const os = require('os');
const path = require('path');
const {run, openPage, waitFor, check} = require('./browser.js');

const [site, xm2wav, moduleFile] = process.argv.slice(2);
const RATE = 44100;
const SECONDS = 10;

// The PCM of a WAV file's data chunk, as 16-bit samples.
function wavSamples(file) {
  const data = fs.readFileSync(file);
  let at = 12;
  while (at + 8 <= data.length) {
    const id = data.toString('latin1', at, at + 4);
    const size = data.readUInt32LE(at + 4);
    if (id === 'data') {
      const bytes = data.subarray(at + 8, at + 8 + size);
      return new Int16Array(bytes.buffer.slice(bytes.byteOffset, bytes.byteOffset + bytes.length));
    }
    at += 8 + size + (size & 1);
  }
  throw new Error('no data chunk in ' + file);
}

function leadingSilentFrames(samples) {
  let i = 0;
  while (i < samples.length && samples[i] === 0) i++;
  return Math.floor(i / 2);
}

run(site, async ({url, browser}) => {
  const work = fs.mkdtempSync(path.join(os.tmpdir(), 'intro-sound-'));
  try {
    const wav = path.join(work, 'embedded.wav');
    execFileSync(xm2wav, [moduleFile, wav], {stdio: 'inherit'});
    const want = wavSamples(wav);
    check(want.length >= SECONDS * RATE * 2, 'xm2wav rendered at least 10 s');

    const page = await openPage(browser, url + '?capture');
    await waitFor('the question', () => page.evaluate(() => document.getElementById('box').open), 60);
    await page.click('#box-no');
    const started = Date.now();
    const needed = (SECONDS + 1) * RATE * 2;
    let report = null;
    await waitFor('11 s of sound', async () => {
      report = await page.evaluate(async () => {
        const r = await orvantheTest.audioReport();
        return r && {underruns: r.underruns, length: r.captured.length};
      });
      return report && report.length >= needed;
    }, 60);
    const captured = await page.evaluate(async () => {
      const r = await orvantheTest.audioReport();
      let text = '';
      const bytes = new Uint8Array(r.captured.buffer);
      for (let i = 0; i < bytes.length; i += 0x8000) {
        text += String.fromCharCode.apply(null, bytes.subarray(i, i + 0x8000));
      }
      return {underruns: r.underruns, base64: btoa(text)};
    });
    console.log(`played ${SECONDS + 1} s in ${((Date.now() - started) / 1000).toFixed(1)} s`);
    const bytes = Buffer.from(captured.base64, 'base64');
    const got = new Int16Array(bytes.buffer.slice(bytes.byteOffset, bytes.byteOffset + bytes.length));

    const offset = leadingSilentFrames(got) - leadingSilentFrames(want);
    check(offset >= 0, 'the song starts no earlier in the page than in xm2wav');
    const frames = Math.floor(got.length / 2) - offset;
    check(frames >= SECONDS * RATE, `only ${frames} frames of the song were played`);
    for (let i = 0; i < SECONDS * RATE * 2; i++) {
      if (got[2 * offset + i] !== want[i]) {
        throw new Error(`sample ${i} (frame ${i >> 1} of the song) differs: ` +
                        `${got[2 * offset + i]} played, ${want[i]} from xm2wav`);
      }
    }
    console.log(`${SECONDS} s equal to xm2wav (the song began after ${offset} silent frames)`);
    check(captured.underruns === 0, `${captured.underruns} underruns`);
  } finally {
    fs.rmSync(work, {recursive: true, force: true});
  }
});

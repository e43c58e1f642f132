// The module player page in headless Chromium: a cut module gets the loader's messages (the
// lines xm2wav says for the same file) and the page stays usable; a corpus module plays
// (the position and time move on) and "Save as WAV" gives exactly xm2wav's bytes, with
// channel 1 solo exactly those of xm2wav --solo 1; Play pressed twice at once (each press
// stops the song and starts its threads again) still plays.
// Usage: node player_page.js SITE_DIR XM2WAV CORPUS_SONGS_DIR
'use strict';
const {spawnSync} = require('child_process');
const crypto = require('crypto');
const fs = require('fs');
const os = require('os');
const path = require('path');
const {run, skip, openPage, waitFor, check} = require('./browser.js');

const [site, xm2wav, songs] = process.argv.slice(2);
if (!fs.existsSync(songs)) {
  if (process.env.INTRO_REQUIRE_CORPUS === '1') {
    console.log('FAIL: the corpus is missing: ' + songs);
    process.exit(1);
  }
  skip('the corpus is missing: ' + songs);
}
// The shortest song plays and renders quickly; the one cut is a larger one.
const bySize = fs.readdirSync(songs).filter((n) => n.endsWith('.xm'))
    .map((n) => path.join(songs, n)).sort((a, b) => fs.statSync(a).size - fs.statSync(b).size);
check(bySize.length >= 2, 'two corpus songs');
const song = bySize[0];
const whole = bySize[1];

// What xm2wav says about the input (its lines "xm2wav: INPUT: TEXT"), and its WAV.
function xm2wavRun(input, output, options = []) {
  const result = spawnSync(xm2wav, ['--force', ...options, input, output], {encoding: 'utf8'});
  const prefix = `xm2wav: ${input}: `;
  const lines = result.stderr.split('\n').filter((l) => l.startsWith(prefix))
      .map((l) => l.slice(prefix.length));
  return {status: result.status, lines};
}

async function openFile(page, file) {
  const input = await page.$('#file');
  await input.uploadFile(file);
}

run(site, async ({url, browser}) => {
  const work = fs.mkdtempSync(path.join(os.tmpdir(), 'player-page-'));
  try {
    const cut = path.join(work, 'cut.xm');
    const bytes = fs.readFileSync(whole);
    fs.writeFileSync(cut, bytes.subarray(0, Math.floor(bytes.length * 0.6)));
    const cutSays = xm2wavRun(cut, path.join(work, 'cut.wav'));
    check(cutSays.lines.length > 0, 'xm2wav warns about the cut module');
    const wav = path.join(work, 'song.wav');
    const songSays = xm2wavRun(song, wav);
    check(songSays.status === 0, 'xm2wav renders the song');
    const sha256 = (file) => crypto.createHash('sha256').update(fs.readFileSync(file)).digest('hex');
    const want = sha256(wav);
    const soloWav = path.join(work, 'solo.wav');
    check(xm2wavRun(song, soloWav, ['--solo', '1']).status === 0, 'xm2wav renders channel 1 solo');
    const wantSolo = sha256(soloWav);

    const page = await openPage(browser, url + 'player.html');
    await waitFor('the player', () => page.evaluate(() => !document.getElementById('file').disabled), 60);

    // The cut module: the loader's messages, as xm2wav says them.
    await openFile(page, cut);
    await waitFor('the message', () => page.evaluate(() => !document.getElementById('message').hidden), 20);
    const shown = await page.evaluate(() => document.getElementById('message-text').textContent);
    check(shown === cutSays.lines.join('\n'),
          `the page says:\n${shown}\nxm2wav says:\n${cutSays.lines.join('\n')}`);
    console.log('cut module: ' + shown.split('\n').length + ' lines, as xm2wav says them');

    // A corpus song: plays, then saves exactly xm2wav's bytes.
    await openFile(page, song);
    await waitFor('the song', () => page.evaluate(() => !document.getElementById('song').hidden), 20);
    const songShown = await page.evaluate(() => document.getElementById('message').hidden ? '' :
                                                document.getElementById('message-text').textContent);
    check(songShown === songSays.lines.join('\n'), 'the song\'s messages: ' + songShown);
    await page.click('#play');
    await waitFor('the time moving on', () => page.evaluate(
        () => !document.getElementById('time').textContent.startsWith('0:00')), 20);
    const status = await page.evaluate(() => [document.getElementById('title').textContent,
      document.getElementById('position').textContent, document.getElementById('time').textContent]);
    console.log('playing: ' + status.join(' | '));
    const savedWav = async () => {
      await page.evaluate(() => { orvanthePlayerTest.lastWav = null; });
      await page.click('#save');
      return waitFor('the WAV', () => page.evaluate(async () => {
        const wav = orvanthePlayerTest.lastWav;
        if (!wav) return null;
        const digest = await crypto.subtle.digest('SHA-256', await wav.arrayBuffer());
        return Array.from(new Uint8Array(digest), (b) => b.toString(16).padStart(2, '0')).join('');
      }), 60);
    };
    const got = await savedWav();
    check(got === want, `the saved WAV differs from xm2wav's (${got} / ${want})`);
    console.log('saved WAV: equal to xm2wav\'s bytes');
    await page.click('input[aria-label="Solo channel 1"]');
    const gotSolo = await savedWav();
    check(gotSolo === wantSolo, 'the saved WAV with channel 1 solo differs from xm2wav --solo 1');
    console.log('saved WAV, channel 1 solo: equal to xm2wav --solo 1');
    await page.evaluate(() => {
      document.getElementById('play').click();
      document.getElementById('play').click();
    });
    await waitFor('playing again', () => page.evaluate(
        () => !document.getElementById('time').textContent.startsWith('0:00')), 20);
    console.log('Play twice at once: playing');
  } finally {
    fs.rmSync(work, {recursive: true, force: true});
  }
});

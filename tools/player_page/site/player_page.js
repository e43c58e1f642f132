// The module player page: opens or takes a dropped .xm file, shows the loader's messages,
// plays the song with the intro's player (player.js) with its position, time and level, pause,
// mute and solo, and saves it as WAV exactly as xm2wav writes it.
// window.orvanthePlayerTest keeps the last WAV saved (for the tests).
'use strict';

const element = (id) => document.getElementById(id);
const MIX_RATE = 44100;
// The program's memory is fixed: a module and its samples must fit in it with room to spare.
const LARGEST_MODULE = 32 << 20;

const player = {
  ready: false,
  name: '',
  playing: false,
  paused: false,
  channels: 0,
  muted: new Set(),
  solo: new Set(),
  total: 0,
  orders: 0,
};

window.orvanthePlayerTest = {lastWav: null, lastWavName: null};

function showMessage(fileName, text) {
  element('message-file').textContent = fileName;
  element('message-text').textContent = text;
  element('message').hidden = text === '';
}

function timeText(frames) {
  const seconds = Math.floor(frames / MIX_RATE);
  return `${Math.floor(seconds / 60)}:${String(seconds % 60).padStart(2, '0')}`;
}

// ---- Opening -----------------------------------------------------------------------------

// ---- Commands: run one at a time on the program's own thread ---------------------------

const COMMAND_OPEN = 1;
const COMMAND_PLAY = 2;
const COMMAND_STOP = 3;
const COMMAND_PAUSE = 4;
const COMMAND_SAVE = 5;
let commandDone = null;
let commands = Promise.resolve();
// Called by the program when a command has run (player_page.cpp).
window.OrvanthePlayer = {done: (result) => commandDone(result)};

// Runs `before` (which may use the program's buffers: no command runs then), then the
// command; resolves to its result (1 done, 0 not).
function command(kind, argument = 0, before = null) {
  const run = () => new Promise((resolve) => {
    if (before) before();
    commandDone = resolve;
    Module._player_command(kind, argument >>> 0);
  });
  const result = commands.then(run);
  commands = result.catch(() => {});
  return result;
}

async function open(file) {
  if (!player.ready) return;
  setPlaying(false);
  element('song').hidden = true;
  if (file.size > LARGEST_MODULE) {
    showMessage(file.name, 'too large for this page (at most 32 MB)');
    return;
  }
  const bytes = new Uint8Array(await file.arrayBuffer());
  const loaded = await command(COMMAND_OPEN, 0, () => {
    Module.HEAPU8.set(bytes, Module._player_buffer(bytes.length));
  }) === 1;
  showMessage(file.name, Module.UTF8ToString(Module._player_messages()).trimEnd());
  if (!loaded) return;
  player.name = file.name;
  player.channels = Module._player_channels();
  player.orders = Module._player_orders();
  player.total = Module._player_has_end() ? Module._player_total_frames() : 0;
  player.muted.clear();
  player.solo.clear();
  element('title').textContent = Module.UTF8ToString(Module._player_title()) || file.name;
  fillChannels();
  showStatus();
  element('song').hidden = false;
}

element('file').addEventListener('change', (event) => {
  if (event.target.files.length > 0) open(event.target.files[0]);
});
document.addEventListener('dragover', (event) => event.preventDefault());
document.addEventListener('drop', (event) => {
  event.preventDefault();
  if (event.dataTransfer.files.length > 0) open(event.dataTransfer.files[0]);
});

// ---- Channels ----------------------------------------------------------------------------

function mutedMask() {
  let mask = 0;
  for (let c = 0; c < player.channels && c < 32; c++) {
    const silent = player.solo.size > 0 ? !player.solo.has(c) : player.muted.has(c);
    if (silent) mask |= 1 << c;
  }
  return mask >>> 0;
}

function fillChannels() {
  const body = element('channels').tBodies[0];
  body.textContent = '';
  for (let c = 0; c < player.channels; c++) {
    const row = body.insertRow();
    row.insertCell().textContent = String(c + 1);
    for (const [set, what] of [[player.muted, 'Mute'], [player.solo, 'Solo']]) {
      const box = document.createElement('input');
      box.type = 'checkbox';
      box.setAttribute('aria-label', `${what} channel ${c + 1}`);
      box.addEventListener('change', () => {
        if (box.checked) set.add(c); else set.delete(c);
        Module._player_set_muted(mutedMask());
      });
      row.insertCell().appendChild(box);
    }
  }
}

// ---- Playing -----------------------------------------------------------------------------

function setPlaying(playing) {
  player.playing = playing;
  player.paused = false;
  element('pause').disabled = !playing;
  element('stop').disabled = !playing;
  element('pause').setAttribute('aria-pressed', 'false');
  element('pause').textContent = 'Pause';
}

function stop() {
  setPlaying(false);
  showStatus();
  if (player.ready) command(COMMAND_STOP);
}

element('play').addEventListener('click', async () => {
  OrvantheAudio.begin();
  if (await command(COMMAND_PLAY, mutedMask()) !== 1) {
    showMessage(player.name, 'cannot play: no sound device');
    return;
  }
  setPlaying(true);
});
element('pause').addEventListener('click', () => {
  player.paused = !player.paused;
  command(COMMAND_PAUSE, player.paused ? 1 : 0);
  element('pause').setAttribute('aria-pressed', String(player.paused));
  element('pause').textContent = player.paused ? 'Resume' : 'Pause';
});
element('stop').addEventListener('click', stop);

function showStatus() {
  const order = player.playing ? Module._player_order() : 0;
  const row = player.playing ? Module._player_row() : 0;
  const heard = player.playing ? Module._player_heard_frames() : 0;
  const peak = player.playing ? Module._player_peak() : 0;
  // As xmplay shows it: orders from 0, out of the last one.
  element('position').textContent = `order ${order}/${player.orders - 1}, row ${row}`;
  element('time').textContent =
      `${timeText(heard)} / ${player.total > 0 ? timeText(player.total) : '∞'}`;
  const level = Math.round(100 * peak / 32768);
  element('meter-bar').style.width = level + '%';
  element('meter').setAttribute('aria-valuenow', String(level));
}

setInterval(() => {
  if (!player.playing) return;
  if (Module._player_playing() !== 1) setPlaying(false);
  showStatus();
}, 50);

// ---- Saving ------------------------------------------------------------------------------

// Receives the WAV from the program in pieces (player_page.cpp).
const wavPieces = [];
window.OrvantheWav = {piece: (bytes) => wavPieces.push(bytes)};

element('save').addEventListener('click', async () => {
  setPlaying(false);
  const saved = await command(COMMAND_SAVE, mutedMask(), () => { wavPieces.length = 0; }) === 1;
  showStatus();
  if (!saved) return;
  const blob = new Blob(wavPieces, {type: 'audio/wav'});
  wavPieces.length = 0;
  const name = player.name.replace(/\.xm$/i, '') + '.wav';
  window.orvanthePlayerTest.lastWav = blob;
  window.orvanthePlayerTest.lastWavName = name;
  const link = document.createElement('a');
  link.href = URL.createObjectURL(blob);
  link.download = name;
  link.click();
  setTimeout(() => URL.revokeObjectURL(link.href), 60000);
});

// ---- Loading -----------------------------------------------------------------------------

window.Module = {
  print: (text) => console.log(text),
  printErr: (text) => console.error(text),
  onRuntimeInitialized() {
    player.ready = true;
    element('loading').hidden = true;
    element('file').disabled = false;
  },
  onAbort(what) { OrvantheSay('The player stopped: ' + what); },
};

OrvantheLoad('player.js');

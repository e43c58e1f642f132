// The intro page: loads the program (intro.js) once the page is cross-origin isolated, and is
// the web host's other half (OrvantheHost, called from the program through platform/web):
// the message boxes as HTML dialogs, the stage (canvas) as the window, input events, the
// pictures put on the canvas at each display refresh, the sound through an AudioWorklet.
// window.orvantheTest holds a few hooks for the tests (a frame gate, counters, the audio).
'use strict';

const element = (id) => document.getElementById(id);
const stage = element('stage');
const canvas = element('canvas');
const box = element('box');

const EVENT_KEY_DOWN = 0;
const EVENT_LBUTTON_DOWN = 1;
const EVENT_RBUTTON_DOWN = 2;
const IDOK = 1;
const IDYES = 6;
const IDNO = 7;
const VK_ESCAPE = 0x1B;
const WINDOW_WIDTH = 740;
const WINDOW_HEIGHT = 600;

const state = {
  running: false,     // the entry function runs and the window exists
  fullscreen: false,  // the display was opened full screen
  boxYesNo: false,
  fullscreenAsked: false,
  picture: null,
  context2d: null,
};

// ---- Message boxes -----------------------------------------------------------------------

function answerBox(answer) {
  if (!box.open) return;
  // This is the user's gesture: the only moment the browser lets sound and full screen start.
  OrvantheAudio.begin();
  if (state.boxYesNo && answer === IDYES && document.documentElement.requestFullscreen) {
    state.fullscreenAsked = true;
    document.documentElement.requestFullscreen().catch(() => {});
  }
  box.close();
  Module._web_answer_box(answer);
}

element('box-yes').addEventListener('click', () => answerBox(IDYES));
element('box-no').addEventListener('click', () => answerBox(IDNO));
element('box-ok').addEventListener('click', () => answerBox(IDOK));
// Enter answers with the first button, Escape with No (or OK), as on the desktop.
box.addEventListener('cancel', (event) => event.preventDefault());
box.addEventListener('keydown', (event) => {
  if (event.key === 'Enter') {
    event.preventDefault();
    answerBox(state.boxYesNo ? IDYES : IDOK);
  } else if (event.key === 'Escape') {
    event.preventDefault();
    answerBox(state.boxYesNo ? IDNO : IDOK);
  }
});

// ---- The host's calls --------------------------------------------------------------------

window.OrvantheHost = {
  showBox(text, caption, yesNo) {
    if (window.orvantheTest.questionAt === null) window.orvantheTest.questionAt = performance.now();
    element('loading').hidden = true;
    element('box-caption').textContent = caption;
    element('box-text').textContent = text;
    element('box-yes').hidden = !yesNo;
    element('box-no').hidden = !yesNo;
    element('box-ok').hidden = yesNo;
    state.boxYesNo = yesNo;
    box.showModal();
    element(yesNo ? 'box-yes' : 'box-ok').focus();
    return true;
  },
  createWindow(title) {
    document.title = title;
    state.running = true;
  },
  showWindow(visible) { stage.hidden = !visible; },
  destroyWindow() {
    state.running = false;
    stage.hidden = true;
  },
  showCursor(visible) { stage.style.cursor = visible ? '' : 'none'; },
  openDisplay(fullscreen) {
    state.context2d = state.context2d || canvas.getContext('2d', {alpha: false});
    if (!state.context2d) return false;
    state.picture = state.picture || state.context2d.createImageData(800, 600);
    state.fullscreen = fullscreen;
    document.body.classList.toggle('fullscreen', fullscreen);
    return true;
  },
  closeDisplay() {},
  ended(exitCode) {
    state.running = false;
    stage.hidden = true;
    document.body.classList.remove('fullscreen');
    if (document.fullscreenElement) document.exitFullscreen().catch(() => {});
    element('ended').hidden = false;
    element('again').focus();
    window.orvantheTest.exitCode = exitCode;
  },
};

element('again').addEventListener('click', () => location.reload());

// ---- Input -------------------------------------------------------------------------------

window.addEventListener('keydown', (event) => {
  if (!state.running || box.open) return;
  Module._web_push_event(EVENT_KEY_DOWN, event.keyCode, 0, 0);
});
canvas.addEventListener('mousedown', (event) => {
  if (!state.running || (event.button !== 0 && event.button !== 2)) return;
  const x = Math.floor(event.offsetX * WINDOW_WIDTH / canvas.clientWidth);
  const y = Math.floor(event.offsetY * WINDOW_HEIGHT / canvas.clientHeight);
  Module._web_push_event(event.button === 0 ? EVENT_LBUTTON_DOWN : EVENT_RBUTTON_DOWN, 0, x, y);
});
canvas.addEventListener('contextmenu', (event) => event.preventDefault());
// The browser takes the first Escape in full screen to leave it: leaving ends the intro.
document.addEventListener('fullscreenchange', () => {
  if (!document.fullscreenElement && state.running && state.fullscreen) {
    Module._web_push_event(EVENT_KEY_DOWN, VK_ESCAPE, 0, 0);
  }
});
function setHidden(hidden) { Module._web_set_hidden(hidden ? 1 : 0); }
document.addEventListener('visibilitychange', () => setHidden(document.hidden));

// ---- Presentation ------------------------------------------------------------------------

let lastShown = 0;
function showPicture() {
  const frame = Module._web_picture_pending();
  if (frame !== 0 && state.context2d) {
    const at = Module._web_picture();
    state.picture.data.set(Module.HEAPU8.subarray(at, at + 800 * 600 * 4));
    state.context2d.putImageData(state.picture, 0, 0);
    Module._web_picture_shown(frame);
    lastShown = frame;
  }
  requestAnimationFrame(showPicture);
}

// ---- Tests -------------------------------------------------------------------------------

window.orvantheTest = {
  exitCode: null,
  questionAt: null,  // performance.now() when the first box was shown
  // The work of the last frames in milliseconds (rendering and conversion), oldest first.
  frameTimes: () => {
    const timed = Module._web_frames_timed();
    const count = Math.min(timed, 1024);
    const times = new Float32Array(Module.HEAPU8.buffer, Module._web_frame_times(), 1024);
    const out = [];
    for (let k = timed - count; k < timed; k++) out.push(times[k % 1024]);
    return out;
  },
  fullscreenAsked: () => state.fullscreenAsked,
  setFrameGate: (frames) => Module._web_set_frame_gate(frames),
  framesPresented: () => Module._web_frames_presented(),
  pictureShown: () => lastShown,
  lostAnswers: () => Module._web_lost_answers(),
  setHidden,
  canvasBox: () => {
    const r = canvas.getBoundingClientRect();
    return {x: r.x, y: r.y, width: r.width, height: r.height, hidden: stage.hidden};
  },
  // The frames the worklet has played (16-bit stereo, interleaved) and its underrun count.
  audioReport: () => OrvantheAudio.report(),
};

// ---- Loading -----------------------------------------------------------------------------

window.Module = {
  print: (text) => console.log(text),
  printErr: (text) => console.error(text),
  onRuntimeInitialized() {
    setHidden(document.hidden);
    requestAnimationFrame(showPicture);
  },
  onAbort(what) { OrvantheSay('The intro stopped: ' + what); },
};

OrvantheLoad('intro.js');

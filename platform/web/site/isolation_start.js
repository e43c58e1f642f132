// The pages' start. Cross-origin isolation, from any static web server: when the server did not
// send the headers, the service worker isolation.js is installed and the page loaded once
// more through it. OrvantheIsolated resolves to whether the page is isolated (it does not
// resolve when the page is about to reload).
'use strict';
const RELOAD_MARK = 'orvanthe-isolation-reload';
window.OrvantheIsolated = (async () => {
  if (window.crossOriginIsolated) {
    sessionStorage.removeItem(RELOAD_MARK);
    return true;
  }
  if (!window.isSecureContext || !('serviceWorker' in navigator)) return false;
  try {
    await navigator.serviceWorker.register('isolation.js');
    await navigator.serviceWorker.ready;
  } catch (error) {
    return false;
  }
  // One reload only: a page still not isolated after it will not become so.
  if (sessionStorage.getItem(RELOAD_MARK)) {
    sessionStorage.removeItem(RELOAD_MARK);
    return false;
  }
  sessionStorage.setItem(RELOAD_MARK, '1');
  location.reload();
  return new Promise(() => {});
})();

// One line in the page (its #missing element) in place of the loading note.
window.OrvantheSay = (line) => {
  const missing = document.getElementById('missing');
  missing.textContent = line;
  missing.hidden = false;
  document.getElementById('loading').hidden = true;
};

// What this browser lacks of what the pages need, or null.
function missingFeature() {
  if (typeof WebAssembly !== 'object') {
    return 'This page needs WebAssembly, which this browser does not offer.';
  }
  if (typeof SharedArrayBuffer !== 'function' || !window.crossOriginIsolated) {
    return 'This page needs WebAssembly threads (shared memory in a cross-origin isolated ' +
           'page), which this browser does not offer here.';
  }
  if (typeof AudioWorkletNode !== 'function') {
    return 'This page needs Web Audio with AudioWorklet, which this browser does not offer.';
  }
  return null;
}

// Loads the page's program (its Emscripten script) once the page is isolated, or says what
// is missing.
window.OrvantheLoad = (script) => window.OrvantheIsolated.then(() => {
  const missing = missingFeature();
  if (missing) {
    window.OrvantheSay(missing);
    return;
  }
  const element = document.createElement('script');
  element.src = script;
  document.body.appendChild(element);
});

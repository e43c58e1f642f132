// Cross-origin isolation for the page, from any static web server: when the server did not
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

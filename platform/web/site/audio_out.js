// The pages' sound output (OrvantheAudio): an AudioContext made during the user's gesture (the
// only moment a browser lets sound start) and, once the program opens its device, the
// AudioWorklet ring_player.js playing the program's ring from its shared memory.
// With ?capture in the address (tests) the worklet keeps what it played; report() hands it over.
'use strict';
window.OrvantheAudio = (() => {
  let context = null;
  let moduleLoading = null;
  let node = null;
  const capture = new URLSearchParams(location.search).has('capture');

  return {
    // Call from a click or key handler.
    begin() {
      if (context || typeof AudioContext !== 'function') return;
      try {
        context = new AudioContext({sampleRate: 44100, latencyHint: 'interactive'});
        moduleLoading = context.audioWorklet.addModule('ring_player.js');
        context.resume();
      } catch (error) {
        context = null;
      }
    },
    // From the program (web_audio.cpp): false when there is no sound.
    start(rate, ring, frames, counters) {
      if (!context || typeof AudioWorkletNode !== 'function') return false;
      const options = {
        numberOfInputs: 0,
        numberOfOutputs: 1,
        outputChannelCount: [2],
        processorOptions: {memory: Module.HEAPU8.buffer, ring, frames, counters, capture},
      };
      moduleLoading.then(() => {
        node = new AudioWorkletNode(context, 'ring-player', options);
        node.connect(context.destination);
      });
      return true;
    },
    stop() {
      if (!node) return;
      node.port.postMessage('stop');
      node.disconnect();
    },
    // Tests: {underruns, captured (Int16Array)} from the worklet, or null before it runs.
    report() {
      return new Promise((resolve) => {
        if (!node) { resolve(null); return; }
        node.port.onmessage = (event) => resolve(event.data);
        node.port.postMessage('report');
      });
    },
  };
})();

// The AudioWorklet that plays the program's audio ring: 16-bit stereo frames in the program's
// shared memory, `frames` of them (a power of two). counters[0] is the number of frames the
// program has written, counters[1] the number played, which only this processor moves on.
// Once sound has begun, a render quantum that finds fewer frames than it needs counts as an
// underrun (the missing frames are played as silence).
// With `capture` set (tests), every frame played is also kept, and handed over on request.
'use strict';
class RingPlayer extends AudioWorkletProcessor {
  constructor(options) {
    super();
    const o = options.processorOptions;
    this.samples = new Int16Array(o.memory, o.ring, o.frames * 2);
    this.counters = new Int32Array(o.memory, o.counters, 2);
    this.mask = o.frames - 1;
    this.begun = false;
    this.underruns = 0;
    this.running = true;
    this.captured = o.capture ? [] : null;
    this.port.onmessage = (event) => {
      if (event.data === 'stop') {
        this.running = false;
      } else if (event.data === 'report') {
        const parts = this.captured || [];
        let length = 0;
        for (const part of parts) length += part.length;
        const all = new Int16Array(length);
        let at = 0;
        for (const part of parts) { all.set(part, at); at += part.length; }
        this.port.postMessage({underruns: this.underruns, captured: all});
      }
    };
  }

  process(inputs, outputs) {
    const left = outputs[0][0];
    const right = outputs[0][1] || left;
    const wanted = left.length;
    const written = Atomics.load(this.counters, 0);
    const played = this.counters[1];
    const available = (written - played) | 0;
    const frames = Math.min(wanted, Math.max(available, 0));
    if (frames > 0) this.begun = true;
    const part = this.captured && frames > 0 ? new Int16Array(frames * 2) : null;
    for (let i = 0; i < frames; i++) {
      const at = ((played + i) & this.mask) * 2;
      const l = this.samples[at];
      const r = this.samples[at + 1];
      left[i] = l / 32768;
      right[i] = r / 32768;
      if (part) { part[2 * i] = l; part[2 * i + 1] = r; }
    }
    for (let i = frames; i < wanted; i++) { left[i] = 0; right[i] = 0; }
    if (this.begun && frames < wanted) this.underruns++;
    if (part) this.captured.push(part);
    Atomics.store(this.counters, 1, (played + frames) | 0);
    return this.running;
  }
}
registerProcessor('ring-player', RingPlayer);

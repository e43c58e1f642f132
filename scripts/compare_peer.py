#!/usr/bin/env python3
"""Compares xm2wav's rendering of XM songs with independent players' (openmpt123, xmp).

For each song: render it with xm2wav and with each available peer, reduce each rendering to
mono, take the RMS loudness of every 100 ms window, and print the Pearson correlation of the
two loudness curves over the length both cover. Two independent good players agree at about
0.99 on real songs; a markedly lower value points at a playback fault (a missed effect, a
wrong jump, a tempo error).

Usage: compare_peer.py XM2WAV SONG.xm [SONG.xm ...] [--keep DIR]
Standard library only.
"""
import array
import math
import os
import shutil
import subprocess
import sys
import tempfile
import wave

RATE = 44100
WINDOW = RATE // 10  # 100 ms


def read_loudness(path):
    """RMS of the mono mix per 100 ms window."""
    with wave.open(path, "rb") as w:
        if w.getsampwidth() != 2 or w.getframerate() != RATE:
            raise ValueError(f"{path}: expected 16-bit {RATE} Hz")
        channels = w.getnchannels()
        data = array.array("h", w.readframes(w.getnframes()))
    if sys.byteorder != "little":
        data.byteswap()
    values_per_window = WINDOW * channels
    curve = []
    for start in range(0, len(data) - values_per_window + 1, values_per_window):
        chunk = data[start:start + values_per_window]
        if channels == 2:
            total = 0.0
            for i in range(0, len(chunk), 2):
                m = (chunk[i] + chunk[i + 1]) * 0.5
                total += m * m
        else:
            total = float(sum(v * v for v in chunk))
        curve.append(math.sqrt(total / WINDOW))
    return curve


def pearson(a, b):
    n = min(len(a), len(b))
    if n < 2:
        return float("nan")
    a, b = a[:n], b[:n]
    ma, mb = sum(a) / n, sum(b) / n
    sab = sum((x - ma) * (y - mb) for x, y in zip(a, b))
    saa = sum((x - ma) ** 2 for x in a)
    sbb = sum((y - mb) ** 2 for y in b)
    if saa == 0 or sbb == 0:
        return float("nan")
    return sab / math.sqrt(saa * sbb)


def best_lag(a, b, max_lag=10):
    """The window shift of b against a (±1 s) that correlates best, and that correlation."""
    best = (0, pearson(a, b))
    for lag in range(1, max_lag + 1):
        for shift, value in ((lag, pearson(a[lag:], b)), (-lag, pearson(a, b[lag:]))):
            if value > best[1]:
                best = (shift, value)
    return best


def render_peers(song, out_dir):
    peers = {}
    if shutil.which("openmpt123"):
        out = os.path.join(out_dir, "openmpt123.wav")
        subprocess.run(["openmpt123", "--batch", "-q", "--samplerate", str(RATE), "--no-float",
                        "--dither", "0", "--filter", "2", "--force", "-o", out, song],
                       check=True, stdout=subprocess.DEVNULL, stderr=subprocess.DEVNULL)
        peers["openmpt123"] = out
    if shutil.which("xmp"):
        out = os.path.join(out_dir, "xmp.wav")
        subprocess.run(["xmp", "--norc", "-q", "-f", str(RATE), "-b", "16", "-i", "linear",
                        "-o", out, song],
                       check=True, stdout=subprocess.DEVNULL, stderr=subprocess.DEVNULL)
        peers["xmp"] = out
    return peers


def main(argv):
    keep = None
    if "--keep" in argv:
        i = argv.index("--keep")
        keep = argv[i + 1]
        del argv[i:i + 2]
    if len(argv) < 3:
        print(__doc__.strip().splitlines()[-2], file=sys.stderr)
        return 2
    xm2wav, songs = argv[1], argv[2:]
    print("song\tpeer\tours_s\tpeer_s\tcorrelation\tbest_lag_ms\tbest_correlation")
    for song in songs:
        name = os.path.splitext(os.path.basename(song))[0]
        out_dir = os.path.join(keep, name) if keep else tempfile.mkdtemp(prefix="compare_peer_")
        os.makedirs(out_dir, exist_ok=True)
        ours = os.path.join(out_dir, "xm2wav.wav")
        subprocess.run([xm2wav, song, ours], check=True)
        ours_curve = read_loudness(ours)
        for peer, path in render_peers(song, out_dir).items():
            peer_curve = read_loudness(path)
            r = pearson(ours_curve, peer_curve)
            lag, best = best_lag(ours_curve, peer_curve)
            print(f"{name}\t{peer}\t{len(ours_curve) / 10:.1f}\t{len(peer_curve) / 10:.1f}"
                  f"\t{r:.4f}\t{lag * 100}\t{best:.4f}", flush=True)
        if not keep:
            shutil.rmtree(out_dir)
    return 0


if __name__ == "__main__":
    sys.exit(main(sys.argv))

#!/usr/bin/env python3
"""The embedded module as other players render it: no clipped sample with openmpt123 or xmp,
and loudness over time (RMS of 100 ms windows) that correlates with our player's at 0.99 or
more. Exit 0 = pass, 1 = fail, 77 = skipped (a peer is missing; the ones present are still
checked, and a failure among them still fails).

Usage: music_against_peers.py XM2WAV EMBEDDED.xm
"""
import array
import os
import shutil
import subprocess
import sys
import tempfile
import wave

sys.path.insert(0, os.path.join(os.path.dirname(os.path.abspath(__file__)), "..", "..", "scripts"))
from compare_peer import pearson, read_loudness, render_peers  # noqa: E402

MIN_CORRELATION = 0.99


def clipped_samples(path):
    with wave.open(path, "rb") as w:
        data = array.array("h", w.readframes(w.getnframes()))
    if sys.byteorder != "little":
        data.byteswap()
    return sum(1 for v in data if v >= 32767 or v <= -32767)


def main(argv):
    if len(argv) != 3:
        print(__doc__.strip().splitlines()[-1], file=sys.stderr)
        return 2
    xm2wav, song = argv[1], argv[2]
    out_dir = tempfile.mkdtemp(prefix="music_peers_")
    try:
        ours = os.path.join(out_dir, "ours.wav")
        subprocess.run([xm2wav, song, ours], check=True, stdout=subprocess.DEVNULL)
        ours_curve = read_loudness(ours)
        failures = 0
        peers = render_peers(song, out_dir)
        for peer, path in sorted(peers.items()):
            r = pearson(ours_curve, read_loudness(path))
            clipped = clipped_samples(path)
            print(f"{peer}: loudness correlation {r:.4f}, clipped samples {clipped}")
            if not r >= MIN_CORRELATION:
                print(f"FAIL: {peer}: loudness correlation {r:.4f} below {MIN_CORRELATION}")
                failures += 1
            if clipped:
                print(f"FAIL: {peer}: {clipped} clipped samples")
                failures += 1
    finally:
        shutil.rmtree(out_dir)
    if failures:
        return 1
    if len(peers) < 2:
        print("openmpt123 or xmp not installed: skipped")
        return 77
    return 0


if __name__ == "__main__":
    sys.exit(main(sys.argv))

#!/usr/bin/env python3
"""Times xm2wav against two independent players rendering the same songs to WAV files.

Every song given (or every .xm file in the folders given) that plays for more than a minute
is rendered once through its order list by xm2wav on one process and on two, openmpt123 and
xmp, all at 44100 Hz, 16 bits, with linear interpolation:
  xm2wav -j 1 SONG OUT.wav
  xm2wav -j 2 SONG OUT.wav
  openmpt123 --batch -q --samplerate 44100 --no-float --dither 0 --filter 2 --force -o OUT SONG
  xmp --norc -q -f 44100 -b 16 -i linear -o OUT SONG
The four take turns, ROUNDS times (default 3), each writing a fresh file into a temporary
folder; the best of the rounds counts, both as elapsed time and as processor time (user +
system of the process and the processes it waited for, the operating system's accounting,
which another load on the machine disturbs less). The last columns give the faster peer's
time divided by xm2wav's, for -j 1 and for -j 2 (above 1, xm2wav is faster), and the processor
time of -j 2 against -j 1 (the cost of rendering on two processes).

Usage: compare_speed.py XM2WAV SONG.xm|FOLDER [...] [--rounds N] [--min-seconds S]
Standard library only. A benchmark, not a test: it prints figures and judges nothing.
"""
import os
import shutil
import struct
import subprocess
import sys
import tempfile
import time

RATE = 44100


def peer_commands(song, out):
    return {
        "openmpt123": ["openmpt123", "--batch", "-q", "--samplerate", str(RATE), "--no-float",
                       "--dither", "0", "--filter", "2", "--force", "-o", out, song],
        "xmp": ["xmp", "--norc", "-q", "-f", str(RATE), "-b", "16", "-i", "linear", "-o", out,
                song],
    }


def run_timed(command, out):
    """Runs command once; returns (elapsed seconds, processor seconds)."""
    if os.path.exists(out):
        os.remove(out)  # removing the last file is not part of the next run
    start = time.monotonic()
    child = subprocess.Popen(command, stdin=subprocess.DEVNULL, stdout=subprocess.DEVNULL,
                             stderr=subprocess.DEVNULL)
    _, status, usage = os.wait4(child.pid, 0)
    elapsed = time.monotonic() - start
    child.returncode = os.waitstatus_to_exitcode(status)
    if child.returncode != 0:
        raise RuntimeError(f"{command[0]} failed with status {child.returncode}")
    return elapsed, usage.ru_utime + usage.ru_stime


def wav_seconds(path):
    """Length of a canonical 16-bit stereo WAV file from its data chunk."""
    with open(path, "rb") as f:
        header = f.read(44)
    if header[:4] != b"RIFF" or header[36:40] != b"data":
        return os.path.getsize(path) / (4.0 * RATE)
    return struct.unpack("<I", header[40:44])[0] / (4.0 * RATE)


def songs_from(arguments):
    songs = []
    for name in arguments:
        if os.path.isdir(name):
            songs += sorted(os.path.join(name, f) for f in os.listdir(name)
                            if f.lower().endswith(".xm"))
        else:
            songs.append(name)
    return songs


def main(argv):
    rounds = 3
    min_seconds = 60.0
    args = []
    i = 1
    while i < len(argv):
        if argv[i] == "--rounds" and i + 1 < len(argv):
            rounds = int(argv[i + 1])
            i += 2
        elif argv[i] == "--min-seconds" and i + 1 < len(argv):
            min_seconds = float(argv[i + 1])
            i += 2
        else:
            args.append(argv[i])
            i += 1
    if len(args) < 2:
        print(__doc__.strip(), file=sys.stderr)
        return 2
    xm2wav = os.path.realpath(args[0])
    peers = [p for p in ("openmpt123", "xmp") if shutil.which(p)]
    if not peers:
        print("neither openmpt123 nor xmp is installed", file=sys.stderr)
        return 2
    work = tempfile.mkdtemp(prefix="compare_speed.")
    try:
        load = os.getloadavg()[0]
        print(f"best of {rounds}, load average {load:.1f} on {os.cpu_count()} processors")
        names = ["xm2wav -j1", "xm2wav -j2"] + peers
        print(f"{'song':<28} {'length':>7}  " +
              "  ".join(f"{n + ' s':>14}" for n in names) +
              "   faster peer / xm2wav     -j2 cpu")
        print(f"{'':<28} {'':>7}  " + "  ".join(f"{'wall':>6} {'cpu':>7}" for _ in names) +
              f"   {'-j1 wall':>8} {'-j2 wall':>8} {'-j2 cpu':>7}  {'/ -j1':>7}")
        for song in songs_from(args[1:]):
            out = os.path.join(work, "out.wav")
            run_timed([xm2wav, "-j", "1", song, out], out)  # warms the caches, gives the length
            seconds = wav_seconds(out)
            if seconds <= min_seconds:
                continue
            commands = {"xm2wav -j1": [xm2wav, "-j", "1", song, out],
                        "xm2wav -j2": [xm2wav, "-j", "2", song, out]}
            for peer, command in peer_commands(song, out).items():
                if peer in peers:
                    commands[peer] = command
            best = {name: [float("inf"), float("inf")] for name in names}
            for _ in range(rounds):
                for name in names:
                    elapsed, cpu = run_timed(commands[name], out)
                    best[name][0] = min(best[name][0], elapsed)
                    best[name][1] = min(best[name][1], cpu)
            faster_wall = min(best[p][0] for p in peers)
            faster_cpu = min(best[p][1] for p in peers)
            one, two = best["xm2wav -j1"], best["xm2wav -j2"]
            title = os.path.splitext(os.path.basename(song))[0][:28]
            print(f"{title:<28} {seconds:6.1f}s  " +
                  "  ".join(f"{best[n][0]:6.3f} {best[n][1]:7.3f}" for n in names) +
                  f"   {faster_wall / one[0]:8.2f} {faster_wall / two[0]:8.2f} "
                  f"{faster_cpu / two[1]:7.2f}  {two[1] / one[1]:7.2f}")
    finally:
        shutil.rmtree(work, ignore_errors=True)
    return 0


if __name__ == "__main__":
    sys.exit(main(sys.argv))

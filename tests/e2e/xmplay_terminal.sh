#!/bin/bash
# xmplay, the terminal player, on the intro's own audio path:
# - without a sound device it says so and exits 1;
# - under SDL's disk audio driver, paced in real time, what it plays of the embedded module's
#   last order with channel 2 muted equals xm2wav's render of the same options byte for byte,
#   from the music's first sound to the song's exact end, and silence after it;
# - a file that ends inside the song header is refused in one line, exit 1;
# - in a pseudo-terminal: space pauses and resumes, q quits with exit 0, Ctrl-C ends it by
#   SIGINT, and both times the terminal is given back as it was;
# - in a terminal 40 columns wide, then 30, the status stays one line rewritten in place, never
#   wider than the terminal; key 1 turns channel 1 off (the solo channel's sound stops once the
#   ring has played), the right arrow starts the next order.
# Called as: bash SCRIPT INTRO BUILD_DIR SOURCE_DIR.
set -u
source "$(dirname "$0")/lib/checks.sh"
BUILD_DIR=$2
XMPLAY="$BUILD_DIR/bin/xmplay"
XM2WAV="$BUILD_DIR/bin/xm2wav"
MODULE="$BUILD_DIR/assets/embedded.xm"
e2e_require_files "$XMPLAY" "$XM2WAV" "$MODULE"
e2e_start_checks

# No sound device.
SDL_AUDIODRIVER=no_such_driver "$XMPLAY" -q "$MODULE" 2>"$WORK/err"
status=$?
[ $status -eq 1 ] || fail "no sound device: exit status $status"
grep -q "no sound device" "$WORK/err" || fail "no sound device not said: $(cat "$WORK/err")"

# A file that ends inside the song header.
head -c 100 "$MODULE" >"$WORK/cut.xm"
SDL_AUDIODRIVER=disk SDL_DISKAUDIOFILE=/dev/null "$XMPLAY" "$WORK/cut.xm" 2>"$WORK/err"
status=$?
[ $status -eq 1 ] || fail "header cut: exit status $status"
[ "$(cat "$WORK/err")" = "xmplay: $WORK/cut.xm: too short for an XM module: the file ends inside the song header (236 of its 336 bytes missing)" ] ||
    fail "header cut: $(cat "$WORK/err")"

# What it plays, against xm2wav.
last=$(( $("$XM2WAV" -i "$MODULE" | awk '/^orders:/ {print $2}') - 1 ))
"$XM2WAV" -q -s "$last" -m 2 "$MODULE" "$WORK/expected.wav" || fail "xm2wav"
SDL_AUDIODRIVER=disk SDL_DISKAUDIOFILE="$WORK/played.raw" timeout 60 \
    "$XMPLAY" -q -s "$last" -m 2 "$MODULE" </dev/null 2>"$WORK/err"
status=$?
[ $status -eq 0 ] || fail "xmplay under the disk driver: exit status $status ($(cat "$WORK/err"))"
python3 - "$WORK/played.raw" "$WORK/expected.wav" <<'PY' || failures=$((failures + 1))
import sys
played = open(sys.argv[1], "rb").read()
expected = open(sys.argv[2], "rb").read()[44:]
def first_sound(data):
    return len(data) - len(data.lstrip(b"\0"))
# The device plays silence while the ring is pre-filled: the music starts at its first sound.
start = first_sound(played) - first_sound(expected)
if start < 0 or start % 4:
    sys.exit("FAIL: the capture does not start with the render's first sound")
music = played[start:start + len(expected)]
if music != expected:
    at = next((i for i in range(min(len(music), len(expected))) if music[i] != expected[i]),
              len(music))
    sys.exit("FAIL: played %d bytes of %d; first difference at frame %d"
             % (len(music), len(expected), at // 4))
after = played[start + len(expected):]
if after.strip(b"\0"):
    sys.exit("FAIL: sound after the song's end")
print("played %d frames equal to xm2wav's, after %d frames of silence, then %d frames of silence"
      % (len(expected) // 4, start // 4, len(after) // 4))
PY

# Keys in a pseudo-terminal.
SDL_AUDIODRIVER=disk SDL_DISKAUDIOFILE=/dev/null python3 - "$XMPLAY" "$MODULE" "$WORK" <<'PY' ||
import array, fcntl, os, pty, re, select, signal, struct, sys, termios, time
xmplay, module, work = sys.argv[1], sys.argv[2], sys.argv[3]

def set_columns(fd, columns):
    fcntl.ioctl(fd, termios.TIOCSWINSZ, struct.pack("HHHH", 24, columns, 0, 0))

def run(keys, arguments=("-l", "0"), columns=80, recording="/dev/null"):
    """Starts xmplay on a new pseudo-terminal COLUMNS wide, sends keys (text, or a number of
    columns to resize to; then a pause) and returns (exit status, output, terminal settings
    before, after)."""
    master, slave = pty.openpty()
    set_columns(slave, columns)
    before = termios.tcgetattr(slave)
    pid = os.fork()
    if pid == 0:
        os.setsid()
        fcntl.ioctl(slave, termios.TIOCSCTTY, 0)  # its controlling terminal: Ctrl-C signals it
        os.close(master)
        for fd in (0, 1, 2):
            os.dup2(slave, fd)
        os.environ["SDL_DISKAUDIOFILE"] = recording
        os.execv(xmplay, [xmplay, *arguments, module])
    output = b""
    def read_for(seconds):
        nonlocal output
        end = time.time() + seconds
        while time.time() < end:
            ready, _, _ = select.select([master], [], [], 0.05)
            if ready:
                try:
                    output += os.read(master, 4096)
                except OSError:
                    return
    read_for(1.5)
    for key, wait in keys:
        if isinstance(key, int):
            set_columns(master, key)
        else:
            os.write(master, key)
        read_for(wait)
    deadline = time.time() + 5
    while True:
        done, status = os.waitpid(pid, os.WNOHANG)
        if done or time.time() > deadline:
            break
        read_for(0.1)
    if not done:
        os.kill(pid, signal.SIGKILL)
        os.waitpid(pid, 0)
        return None, output, before, None
    after = termios.tcgetattr(slave)
    return status, output, before, after

failed = False
status, output, before, after = run([(b" ", 0.6), (b" ", 0.6), (b"q", 0)])
if status is None or not os.WIFEXITED(status) or os.WEXITSTATUS(status) != 0:
    print("FAIL: q did not end xmplay with exit 0 (status %r)" % status); failed = True
if b"paused" not in output:
    print("FAIL: space did not pause: %r" % output[-200:]); failed = True
if b"order" not in output:
    print("FAIL: no status line"); failed = True
if after != before:
    print("FAIL: the terminal was not given back after q"); failed = True
status, output, before, after = run([(b"\x03", 0)])
if status is None or not os.WIFSIGNALED(status) or os.WTERMSIG(status) != signal.SIGINT:
    print("FAIL: Ctrl-C did not end xmplay by SIGINT (status %r)" % status); failed = True
if after != before:
    print("FAIL: the terminal was not given back after Ctrl-C"); failed = True

# 40 columns, then 30: every rewrite of the status fits, and nothing scrolls before the end.
# Channel 1 alone plays; key 1 turns it off.
recording = os.path.join(work, "keys.raw")
status, output, _, _ = run([(b"1", 4.0), (30, 1.0), (b"q", 0)], ("-l", "0", "--solo", "1"), 40,
                           recording)
if status is None or not os.WIFEXITED(status) or os.WEXITSTATUS(status) != 0:
    print("FAIL: narrow terminal: status %r" % status); failed = True
text = output.decode("ascii", "replace")
if text.count("\n") > 1 or not text.endswith("\n"):
    print("FAIL: the status scrolled: %r" % text[-300:]); failed = True
shown = [part.replace("\x1b[K", "").strip("\r\n") for part in text.split("\r")]
shown = [part for part in shown if part]
at_30 = [i for i, part in enumerate(shown) if "mute 1-4" in part]
if not shown or max(len(part) for part in shown) > 39:
    print("FAIL: a status wider than 39 columns: %r" % max(shown, key=len)); failed = True
if len(shown) < 100 or not all(len(part) <= 29 for part in shown[-20:]):
    print("FAIL: the status does not follow the resize to 30 columns: %r" % shown[-1]); failed = True
if not any(part.startswith("order   0/") and "mute 2-4" in part for part in shown):
    print("FAIL: the solo channel's muted others not shown: %r" % shown[:3]); failed = True
if not at_30:
    print("FAIL: key 1 did not turn channel 1 off: %r" % shown[-1]); failed = True
# The recording: the channel sounds, then, once the ring's two seconds mixed before key 1
# (pressed 1.5 s in) have played, is silent: the last 1.5 s of about 6.5 s.
pcm = array.array("h", open(recording, "rb").read())
second = 2 * 44100
if len(pcm) < 5 * second or not any(pcm[:second]):
    print("FAIL: channel 1 was not heard before key 1 (%d frames)" % (len(pcm) // 2)); failed = True
elif any(pcm[-3 * second // 2:]):
    print("FAIL: channel 1 still heard after key 1 turned it off"); failed = True
# The right arrow: the next order starts, mixed anew.
status, output, _, _ = run([(b"\x1b[C", 1.0), (b"q", 0)])
if status is None or not os.WIFEXITED(status) or os.WEXITSTATUS(status) != 0:
    print("FAIL: right arrow: status %r" % status); failed = True
if b"order   1/" not in output:
    print("FAIL: the right arrow did not start order 1: %r" % output[-100:]); failed = True
sys.exit(1 if failed else 0)
PY
    failures=$((failures + 1))

if [ $failures -ne 0 ]; then
    echo "$failures failed"
    exit 1
fi
echo "xmplay: no device, what it plays, keys: all checks passed"

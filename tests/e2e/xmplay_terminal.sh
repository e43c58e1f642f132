#!/bin/bash
# xmplay, the terminal player, on the intro's own audio path:
# - without a sound device it says so and exits 1;
# - under SDL's disk audio driver, paced in real time, what it plays of the embedded module's
#   last order with channel 2 muted equals xm2wav's render of the same options byte for byte,
#   from the music's first sound to the song's exact end, and silence after it;
# - in a pseudo-terminal: space pauses and resumes, q quits with exit 0, Ctrl-C ends it by
#   SIGINT, and both times the terminal is given back as it was.
# Called as: bash SCRIPT INTRO BUILD_DIR SOURCE_DIR.
set -u
BUILD_DIR=$2
XMPLAY="$BUILD_DIR/bin/xmplay"
XM2WAV="$BUILD_DIR/bin/xm2wav"
MODULE="$BUILD_DIR/assets/embedded.xm"
for needed in "$XMPLAY" "$XM2WAV" "$MODULE"; do
    [ -e "$needed" ] || { echo "FAIL: $needed is missing"; exit 1; }
done
WORK=$(mktemp -d)
trap 'rm -rf "$WORK"' EXIT
failures=0
fail() { echo "FAIL: $*"; failures=$((failures + 1)); }

# No sound device.
SDL_AUDIODRIVER=no_such_driver "$XMPLAY" -q "$MODULE" 2>"$WORK/err"
status=$?
[ $status -eq 1 ] || fail "no sound device: exit status $status"
grep -q "no sound device" "$WORK/err" || fail "no sound device not said: $(cat "$WORK/err")"

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
SDL_AUDIODRIVER=disk SDL_DISKAUDIOFILE=/dev/null python3 - "$XMPLAY" "$MODULE" <<'PY' ||
import fcntl, os, pty, select, signal, sys, termios, time
xmplay, module = sys.argv[1], sys.argv[2]

def run(keys):
    """Starts xmplay on a new pseudo-terminal, sends keys (text, pause) and returns
    (exit status, output, terminal settings before, after)."""
    master, slave = pty.openpty()
    before = termios.tcgetattr(slave)
    pid = os.fork()
    if pid == 0:
        os.setsid()
        fcntl.ioctl(slave, termios.TIOCSCTTY, 0)  # its controlling terminal: Ctrl-C signals it
        os.close(master)
        for fd in (0, 1, 2):
            os.dup2(slave, fd)
        os.execv(xmplay, [xmplay, "-l", "0", module])
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
sys.exit(1 if failed else 0)
PY
    failures=$((failures + 1))

if [ $failures -ne 0 ]; then
    echo "$failures failed"
    exit 1
fi
echo "xmplay: no device, what it plays, keys: all checks passed"

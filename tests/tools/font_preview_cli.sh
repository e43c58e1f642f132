#!/bin/bash
# font_preview from the command line: --help and --version, usage mistakes (exit 2, one line and
# the pointer to --help, nothing written), a real PGM and a real PPM of the expected size, an
# existing file kept without --force, a missing folder said in one line (exit 1).
# Called as: bash SCRIPT FONT_PREVIEW.
set -u
source "$(dirname "$0")/../e2e/lib/checks.sh"
FONT_PREVIEW=$(realpath "$1")
e2e_start_checks
cd "$WORK" || exit 1

"$FONT_PREVIEW" --help | grep -q "^usage: font_preview" || fail "--help"
"$FONT_PREVIEW" --version | grep -qE '^font_preview [0-9]+\.[0-9]+' || fail "--version"
for arguments in "" "--help-me" "f.pgm 9" "f.pgm 0" "f.pgm two" "f.png" "f.pgm 2 extra"; do
    # shellcheck disable=SC2086
    "$FONT_PREVIEW" $arguments 2>err
    status=$?
    [ $status -eq 2 ] || fail "'$arguments': exit status $status"
    [ "$(wc -l <err)" -eq 2 ] && grep -q "^font_preview: [^:]*: " err ||
        fail "'$arguments': not one reason and the pointer: $(cat err)"
done
[ -z "$(ls -A | grep -v '^err$')" ] || fail "usage mistakes wrote files: $(ls -A)"

# Netpbm headers: magic, width, height, 255; then exactly width x height (x 3) bytes.
check_picture() {  # FILE MAGIC BYTES_PER_PIXEL
    python3 - "$@" <<'PY'
import re, sys
data = open(sys.argv[1], "rb").read()
header = re.match(rb"(P[0-9])\s(\d+)\s(\d+)\s255\s", data)
if not header:
    sys.exit("no Netpbm header: %r" % data[:20])
magic, width, height = header[1].decode(), int(header[2]), int(header[3])
pixels = len(data) - header.end()
sys.exit(0 if magic == sys.argv[2] and pixels == width * height * int(sys.argv[3]) else
         "%s %dx%d with %d bytes of pixels" % (magic, width, height, pixels))
PY
}
"$FONT_PREVIEW" font.pgm 2>err || fail "font.pgm: exit status $?"
check_picture font.pgm P5 1 || fail "font.pgm is no PGM"
"$FONT_PREVIEW" font.ppm 3 2>err || fail "font.ppm: exit status $?"
check_picture font.ppm P6 3 || fail "font.ppm is no PPM"
echo "an older picture" >old.pgm
"$FONT_PREVIEW" old.pgm 2>err
[ $? -eq 1 ] && [ "$(cat old.pgm)" = "an older picture" ] || fail "an existing file replaced without --force"
"$FONT_PREVIEW" --force old.pgm 2>err && check_picture old.pgm P5 1 || fail "--force did not replace"
"$FONT_PREVIEW" missing/font.pgm 2>err
[ $? -eq 1 ] && [ "$(wc -l <err)" -eq 1 ] && grep -q "^font_preview: missing/font.pgm: " err ||
    fail "missing folder: $(cat err)"

[ $failures -eq 0 ] && echo "font_preview command line: all checks passed"
exit $((failures > 0))

# Shared steps of the scripts that check a program from the command line: the files they need,
# a scratch folder, and the count of failed checks. Sourced, not run.

# Ends the script as failed when one of the named files is missing.
e2e_require_files() {
  local needed
  for needed in "$@"; do
    [ -e "$needed" ] || { echo "FAIL: $needed is missing"; exit 1; }
  done
}

# A scratch folder in WORK, removed when the script ends; no check failed yet.
e2e_start_checks() {
  WORK=$(mktemp -d)
  trap 'rm -rf "$WORK"' EXIT
  failures=0
}

# Says that a check failed, and counts it.
fail() { echo "FAIL: $*"; failures=$((failures + 1)); }

# Sourced by the Windows tests: the Wine settings they share.
#   WINDOWS_BUILD - the Windows build directory (intro.exe, xm2wav.exe, frame_dump.exe)
#   WINEPREFIX    - the test run's own Wine prefix, made by make_wine_prefix
# Mono and Gecko are not installed (they are not needed and would be downloaded); Wine's
# debug chatter is off.
export WINEDLLOVERRIDES="mscoree,mshtml="
export WINEDEBUG=-all

# A fresh prefix: initialised, and with windows left unmanaged by the (absent) window
# manager, else DestroyWindow waits 2 s for one.
make_wine_prefix() {
  rm -rf "$WINEPREFIX"
  mkdir -p "$WINEPREFIX"
  wineboot -i >/dev/null 2>&1 || return 1
  wine reg add 'HKCU\Software\Wine\X11 Driver' /v Managed /t REG_SZ /d N /f >/dev/null 2>&1 ||
    return 1
  wineserver -w
}

# The arguments of a test that looks at intro.exe's window (the Windows build directory and
# the Wine prefix) and the tools it needs; sets WINDOWS_BUILD, WINEPREFIX and intro.
wine_intro_arguments() {
  WINDOWS_BUILD=$(realpath "$1")
  export WINEPREFIX=$(realpath -m "$2")
  e2e_require_tools wine xvfb-run xdotool xwininfo import python3
  intro="$WINDOWS_BUILD/intro.exe"
  [ -f "$intro" ] || e2e_fail "$intro is missing"
}

# A Linux path as the Windows program sees it (Wine maps drive Z: to /).
windows_path() {
  printf 'Z:%s' "$(realpath -m "$1" | tr / '\\')"
}

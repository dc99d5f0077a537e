# The one Wine set-up of the project, sourced by tools/test, tools/run,
# tools/wine-run (which CTest uses for every Windows test) and the benchmark.
#   - a private 32-bit WINEPREFIX under the build folder, created on first use
#   - WINEDEBUG=-all
#   - LC_ALL=zh_CN.UTF-8, so that Wine's ANSI code page is 936 (OSTREL_LOCALE
#     overrides it for the tests that run under another code page)
#   - Wine's UI fonts mapped to a CJK font, so menus and captions show Chinese
#   - a virtual X display (Xvfb) when none is set
# shellcheck shell=bash

OSTREL_ROOT="${OSTREL_ROOT:-$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)}"
OSTREL_BUILD="${OSTREL_BUILD:-$OSTREL_ROOT/build}"

# win32 runs the shipped 32-bit exe under 32-bit Wine. Some machines' kernels
# cannot run 32-bit x86 code at all (32-bit Wine then fails with "Exec format
# error"); there the Windows tests run as their 64-bit build under 64-bit
# Wine. OSTREL_WINE_ARCH picks which; tools/wine-run takes it from its first
# argument; ostrel_test_arch tells which one this machine can run.
OSTREL_WINE_ARCH="${OSTREL_WINE_ARCH:-win32}"

ostrel_native_i386() {
  [ -x /usr/lib/wine/wineserver32 ] && /usr/lib/wine/wineserver32 --version >/dev/null 2>&1
}

ostrel_test_arch() {
  if ostrel_native_i386; then echo win32; else echo win64; fi
}

ostrel_wine_arch() {
  OSTREL_WINE_ARCH="$1"
  export WINEARCH="$1"
  export WINEPREFIX="${OSTREL_WINEPREFIX:-$OSTREL_BUILD/wineprefix-$1}"
  # Debian's wine script always prefers the 32-bit loader when it is
  # installed, so the loader is named here.
  if [ "$1" = win64 ]; then
    OSTREL_WINE_LOADER=/usr/lib/wine/wine64
  else
    OSTREL_WINE_LOADER=/usr/lib/wine/wine
  fi
  export WINELOADER="$OSTREL_WINE_LOADER"
}

# Runs a Windows program (or a Wine tool such as winepath or regedit) under
# the chosen architecture's loader.
ostrel_wine() {
  "$OSTREL_WINE_LOADER" "$@"
}
ostrel_wine_arch "$OSTREL_WINE_ARCH"
export WINEDEBUG=-all
# OSTREL_LOCALE (e.g. C.UTF-8, code page 1252) runs a test under another
# system code page: Ostrel's texts must read the same there.
export LC_ALL="${OSTREL_LOCALE:-zh_CN.UTF-8}"
export LANG="$LC_ALL"
# No Mono or Gecko installer dialogs on first start.
export WINEDLLOVERRIDES="mscoree,mshtml="

OSTREL_CJK_FONT="WenQuanYi Micro Hei"

# Creates the prefix once; concurrent callers wait for the first.
ostrel_wine_prefix() {
  mkdir -p "$OSTREL_BUILD"
  local lock="$OSTREL_BUILD/.wineprefix-$WINEARCH.lock"
  (
    flock 9
    if [ ! -f "$WINEPREFIX/.ostrel-ready" ]; then
      rm -rf "$WINEPREFIX"
      ostrel_wine wineboot -i >/dev/null 2>&1 || true
      local reg="$OSTREL_BUILD/wine-fonts.reg"
      {
        echo 'REGEDIT4'
        echo
        echo '[HKEY_CURRENT_USER\Software\Wine\Fonts\Replacements]'
        for face in "MS Shell Dlg" "MS Shell Dlg 2" "Tahoma" "Microsoft Sans Serif" "MS Sans Serif" \
                    "SimSun" "NSimSun" "Microsoft YaHei" "MS UI Gothic" "Segoe UI" "Arial" "System"; do
          echo "\"$face\"=\"$OSTREL_CJK_FONT\""
        done
      } > "$reg"
      ostrel_wine regedit /S "$(ostrel_wine winepath -w "$reg")" >/dev/null 2>&1 || true
      wineserver -w || true
      touch "$WINEPREFIX/.ostrel-ready"
    fi
  ) 9>"$lock"
}

# Starts a private Xvfb when there is no display; sets OSTREL_XVFB_PID.
ostrel_display() {
  OSTREL_XVFB_PID=""
  if [ -n "${DISPLAY:-}" ] && xdpyinfo >/dev/null 2>&1; then
    return 0
  fi
  local n
  for n in $(seq 90 140); do
    if [ ! -e "/tmp/.X11-unix/X$n" ] && [ ! -e "/tmp/.X$n-lock" ]; then
      Xvfb ":$n" -screen 0 1600x1000x24 -nolisten tcp >/dev/null 2>&1 &
      OSTREL_XVFB_PID=$!
      export DISPLAY=":$n"
      local i
      for i in $(seq 1 100); do
        xdpyinfo >/dev/null 2>&1 && return 0
        sleep 0.1
      done
    fi
  done
  echo "could not start a virtual display" >&2
  return 1
}

ostrel_display_stop() {
  if [ -n "${OSTREL_XVFB_PID:-}" ]; then
    kill "$OSTREL_XVFB_PID" 2>/dev/null || true
    wait "$OSTREL_XVFB_PID" 2>/dev/null || true
    OSTREL_XVFB_PID=""
  fi
}

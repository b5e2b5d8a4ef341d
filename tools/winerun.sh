#!/usr/bin/env bash
# Runs a Windows program in the project's own disposable 32-bit Wine prefix.
#
#   winerun.sh PROGRAM.exe [ARGS...]   run it (creating the prefix on first use)
#   winerun.sh --up                    create the prefix, start its wineserver (and Xvfb if needed)
#                                      and the desktop holder
#   winerun.sh --down                  stop exactly that holder, that wineserver and that Xvfb
#
# Wine rebuilds its display devices in the registry each time the prefix's desktop starts, and
# that deletes display-class instances and video keys it does not know: test fixtures and traces
# of the sample machine among them. The desktop starts with the first window process and ends a
# moment after the last one, so a run of several window processes in a row would start it again
# and again. The holder (envsweep-desktop.exe of the build tree) keeps one hidden window open from
# --up to --down, so the desktop starts once, before anything is seeded. A plain run starts the
# holder too when it is not running yet, and --down stops it.
#
# The prefix lives in $ENVSWEEP_PREFIX, else $ENVSWEEP_BUILD/wineprefix, else ./wineprefix; a
# prefix that does not exist yet is made a copy of $ENVSWEEP_PREFIX_FROM when that names a ready,
# stopped one. Each prefix has its own wineserver, Xvfb display and holder (in the state folder
# beside it), so two prefixes can be up at once.
# It is never ~/.wine. Its shell folders that Wine links into the Unix home folder are replaced
# by real folders before anything runs, so nothing done inside can reach the user's own files.
set -u

build=${ENVSWEEP_BUILD:-$PWD}
export WINEPREFIX=${ENVSWEEP_PREFIX:-$build/wineprefix}
# ENVSWEEP_WINEARCH (win32 or win64) follows the build's target processor; see cmake/mingw.cmake.
export WINEARCH=${ENVSWEEP_WINEARCH:-win32}
if [ "$WINEARCH" = win64 ]; then WINE=/usr/lib/wine/wine64; else WINE=wine; fi
export WINEDEBUG=${WINEDEBUG:--all}
export WINEDLLOVERRIDES="mscoree,mshtml=;winemenubuilder.exe=d"
state=$(dirname "$WINEPREFIX")/.$(basename "$WINEPREFIX")-state
mkdir -p "$state"

case "$WINEPREFIX" in
  "$HOME/.wine"|"$HOME/.wine/") echo "winerun: refusing to use $WINEPREFIX" >&2; exit 2 ;;
esac

# Replace every symbolic link below the prefix's user profiles with a real, empty folder.
unlink_profile() {
  local users="$WINEPREFIX/drive_c/users"
  [ -d "$users" ] || return 0
  find "$users" -maxdepth 3 -type l | while read -r link; do
    rm -f "$link" && mkdir -p "$link"
  done
}

# The Japanese dialogs ask for "ＭＳ Ｐゴシック", which a Japanese Windows has and Wine has not:
# without a stand-in of the same proportional kind, Wine falls back to a fixed-width font and the
# Japanese texts overflow their controls. IPA P Gothic (fonts-ipafont-gothic) stands in for it.
# Under Xvfb no window manager draws captions and frames, so Wine is told to draw them itself;
# its caption buttons need Wine's Marlett (fonts-wine), which this Wine finds only in the prefix's
# own Fonts folder.
substitute_fonts() {
  local reg="$WINEPREFIX/envsweep-fonts.reg"
  printf '%s\r\n' 'Windows Registry Editor Version 5.00' '' \
    '[HKEY_LOCAL_MACHINE\Software\Microsoft\Windows NT\CurrentVersion\FontSubstitutes]' \
    '"ＭＳ Ｐゴシック"="IPAPGothic"' '"MS PGothic"="IPAPGothic"' \
    '"ＭＳ ゴシック"="IPAGothic"' '"MS Gothic"="IPAGothic"' '' \
    '[HKEY_CURRENT_USER\Software\Wine\X11 Driver]' '"Decorated"="N"' '' \
    | { printf '\xff\xfe'; iconv -f UTF-8 -t UTF-16LE; } > "$reg"
  "$WINE" regedit /S "$(echo "Z:$reg" | tr / '\\')" >/dev/null 2>&1 </dev/null
  rm -f "$reg"
  if [ -f /usr/share/wine/fonts/marlett.ttf ] && [ -d "$WINEPREFIX/drive_c/windows/Fonts" ]; then
    cp /usr/share/wine/fonts/marlett.ttf "$WINEPREFIX/drive_c/windows/Fonts/"
  fi
}

ensure_prefix() {
  # A copy of a stopped prefix stands for a boot of a new one (tools/flowrun.sh).
  if [ ! -e "$WINEPREFIX" ] && [ -n "${ENVSWEEP_PREFIX_FROM:-}" ] && [ -f "$ENVSWEEP_PREFIX_FROM/.envsweep-ready" ]; then
    cp -a --reflink=auto "$ENVSWEEP_PREFIX_FROM" "$WINEPREFIX" || return 1
  fi
  if [ ! -f "$WINEPREFIX/.envsweep-ready" ]; then
    mkdir -p "$WINEPREFIX"
    "$WINE" wineboot -i >/dev/null 2>&1 </dev/null
    wineserver -w
    unlink_profile
    touch "$WINEPREFIX/.envsweep-ready"
  fi
  [ -f "$WINEPREFIX/.envsweep-fonts-2" ] || { substitute_fonts && touch "$WINEPREFIX/.envsweep-fonts-2"; }
  unlink_profile
}

ensure_display() {
  if [ -n "${DISPLAY:-}" ]; then return 0; fi
  if [ -f "$state/xvfb.pid" ] && kill -0 "$(cat "$state/xvfb.pid")" 2>/dev/null; then
    export DISPLAY=$(cat "$state/xvfb.display"); return 0
  fi
  # Xvfb picks a free display itself and writes its number once it takes clients.
  local fifo=$state/xvfb.fifo n=
  rm -f "$fifo" && mkfifo "$fifo" || return 1
  Xvfb -displayfd 3 -screen 0 1280x1024x24 -nolisten tcp 3>"$fifo" >/dev/null 2>&1 </dev/null &
  echo $! > "$state/xvfb.pid"
  read -r -t 30 n < "$fifo"
  rm -f "$fifo"
  if [ -n "$n" ]; then
    echo ":$n" > "$state/xvfb.display"
    export DISPLAY=":$n"; return 0
  fi
  echo "winerun: no free X display" >&2
  return 1
}

# The holder is known by its command line, which names this prefix's ready file; its Unix process
# id is recorded in the state folder once its window stands. (Wine starts a program through
# start.exe, so the id of the process this script starts is start.exe's, not the holder's.)
holder_line() { echo "envsweep-desktop.exe Z:$state/holder.ready"; }

holder_running() {
  local pid
  pid=$(cat "$state/holder.pid" 2>/dev/null) || return 1
  [ -n "$pid" ] && tr '\0' ' ' < "/proc/$pid/cmdline" 2>/dev/null | grep -qF "$(holder_line)"
}

find_holder() {
  local proc line
  line=$(holder_line)
  for proc in /proc/[0-9]*; do
    tr '\0' ' ' 2>/dev/null < "$proc/cmdline" | grep -qF "$line" && { echo "${proc#/proc/}"; return 0; }
  done
  return 1
}

# Starts the holder unless it runs; returns once its window stands (bounded wait). Detached from
# the caller's output, so that a test runner waiting for its pipe to close is not held up by it.
ensure_holder() {
  local exe=$build/envsweep-desktop.exe starter pid
  exec 9>"$state/holder.lock"
  flock 9
  if holder_running; then exec 9>&-; return 0; fi
  rm -f "$state/holder.pid" "$state/holder.ready"
  if [ ! -f "$exe" ]; then
    echo "winerun: $exe is not built: the desktop is not held" >&2
    exec 9>&-; return 1
  fi
  "$WINE" "$exe" "Z:$state/holder.ready" >/dev/null 2>&1 </dev/null 9>&- &
  starter=$!
  for _ in $(seq 1 600); do
    [ -s "$state/holder.ready" ] && break
    kill -0 "$starter" 2>/dev/null || break
    sleep 0.1
  done
  if [ -s "$state/holder.ready" ] && pid=$(find_holder); then
    echo "$pid" > "$state/holder.pid"
    exec 9>&-; return 0
  fi
  exec 9>&-
  echo "winerun: the desktop holder did not open its window" >&2
  kill "$starter" 2>/dev/null
  pid=$(find_holder) && kill "$pid" 2>/dev/null
  rm -f "$state/holder.ready"
  return 1
}

stop_holder() {
  local pid
  if holder_running; then
    pid=$(cat "$state/holder.pid")
    kill "$pid" 2>/dev/null
    for _ in $(seq 1 50); do kill -0 "$pid" 2>/dev/null || break; sleep 0.1; done
  fi
  rm -f "$state/holder.pid" "$state/holder.ready"
}

case "${1:-}" in
  --up)
    ensure_prefix
    wineserver -p >/dev/null 2>&1 </dev/null
    ensure_display
    # Start the prefix's own service processes now, detached from the caller's output, so that
    # no later test's output pipe is held open by a process that outlives the test.
    "$WINE" cmd /c exit >/dev/null 2>&1 </dev/null
    ensure_holder || exit 1
    exit 0 ;;
  --down)
    stop_holder
    # The registry is written out as the wineserver ends: wait for that, so that the prefix can be copied.
    wineserver -k 2>/dev/null
    wineserver -w 2>/dev/null
    if [ -f "$state/xvfb.pid" ]; then
      kill "$(cat "$state/xvfb.pid")" 2>/dev/null
      rm -f "$state/xvfb.pid" "$state/xvfb.display"
    fi
    exit 0 ;;
  "")
    echo "usage: winerun.sh PROGRAM.exe [ARGS...] | --up | --down" >&2; exit 2 ;;
esac

ensure_prefix
wineserver -p >/dev/null 2>&1 </dev/null
ensure_display || exit 1
# The prefix's service processes outlive the program; start them detached from our output.
"$WINE" cmd /c exit >/dev/null 2>&1 </dev/null
ensure_holder
exec "$WINE" "$@"

#!/usr/bin/env bash
# The demonstration: builds envsweep, seeds the built-in sample machine into a fresh Wine prefix,
# runs a silent clean-up of every product family and reports what it removed and what it left.
#
#   tools/demo.sh            exit code 0 when the clean-up did exactly what the machine expects
#   tools/demo.sh --window   the same clean-up through the real window on the current display;
#                            without a display, on Xvfb, answered by envsweep-sample drive-window
#                            and photographed every 1.5 s into build/sample-run/window-NN.png
#   tools/demo.sh --64       the silent clean-up of the 64-bit sample machine (machine64.txt: traces
#                            and other makers' software in both halves) in a 64-bit prefix of its
#                            own (build/sample-prefix64, reports in build/sample-run64)
#
# ENVSWEEP_EXE names another envsweep.exe to run (the sample tools stay the build's): with --64
# and the 32-bit product (build-win32/envsweep.exe) on a host that runs 32-bit programs, the
# clean-up runs under WOW64 as on a user's 64-bit Windows.
#
# Everything happens in one wineserver session (Wine keeps key DACLs and volatile keys only as
# long as its wineserver runs), which the script stops at the end, with the prefix's desktop held
# open from the start (tools/winerun.sh --up), so that Wine never rebuilds its display devices, and
# with them deletes display-class instances and video keys of the machine, during the runs.
# A control run without a selected family goes first, over the same seeding: it must change
# nothing. The snapshot after it is the one before the clean-up, so the seeding is checked right
# before the clean-up runs: a trace not on the machine then makes the report fail.
set -uo pipefail
mode=silent
halves=one
for arg in "$@"; do
    [ "$arg" = --window ] && mode=window
    [ "$arg" = --64 ] && halves=two
done
[ "$mode" = window ] && [ "$halves" = two ] && { echo "demo.sh: --64 runs the silent clean-up only" >&2; exit 2; }
root=$(cd "$(dirname "$0")/.." && pwd)
cd "$root"

bash tools/setup.sh || exit 1
cmake --preset default >/dev/null || exit 1
cmake --build --preset default --target envsweep envsweep-sample envsweep-desktop || exit 1

build=$root/build
exe=${ENVSWEEP_EXE:-$build/envsweep.exe}
arch=$(sed -n 's/^ENVSWEEP_ARCH:STRING=//p' "$build/CMakeCache.txt")
[ "$arch" = x86_64 ] && wine_arch=win64 || wine_arch=win32
export ENVSWEEP_BUILD=$build ENVSWEEP_WINEARCH=$wine_arch
export ENVSWEEP_PREFIX=$build/sample-prefix
run() { bash "$root/tools/winerun.sh" "$@"; }
win() { echo "Z:$1"; }   # a path of this machine as the prefix sees it

description=$(win "$root/tools/sample_machine/machine.txt")
work=$build/sample-run
if [ "$halves" = two ]; then
    # A 64-bit Windows whatever the build: a 64-bit envsweep searches the 32-bit half as its other
    # half, the shipped 32-bit one (under WOW64) the native half.
    export ENVSWEEP_WINEARCH=win64 ENVSWEEP_PREFIX=$build/sample-prefix64
    description=$(win "$root/tools/sample_machine/machine64.txt")
    work=$build/sample-run64
fi
event=envsweep-demo-hold-$$
holder=

finish() {
    [ -n "$holder" ] && { run "$build/envsweep-sample.exe" release "$event" >/dev/null 2>&1; wait "$holder" 2>/dev/null; }
    run --down
}
trap finish EXIT

echo "== A fresh prefix for the sample machine: $ENVSWEEP_PREFIX"
[ -d "$ENVSWEEP_PREFIX" ] && { run --down; rm -rf "$ENVSWEEP_PREFIX"; }
rm -rf "$work" && mkdir -p "$work"
run --up || exit 1

echo "== Seeding the sample machine"
run "$build/envsweep-sample.exe" seed "$description" | tail -n 20 || exit 1

echo "== Holding its in-use file open"
run "$build/envsweep-sample.exe" hold "$description" "$event" > "$work/hold.log" 2>&1 &
holder=$!
for _ in $(seq 1 100); do grep -q '^held' "$work/hold.log" 2>/dev/null && break; sleep 0.2; done
cat "$work/hold.log"

echo "== Snapshot before"
run "$build/envsweep-sample.exe" snapshot "$(win "$work/before.txt")" || exit 1

echo "== Control run: envsweep.exe /C 0 /S (no family selected: nothing may change)"
run "$exe" /C 0 /S
control_code=$?
echo "exit code $control_code"

echo "== Snapshot after the control run, before the clean-up"
run "$build/envsweep-sample.exe" snapshot "$(win "$work/control.txt")" || exit 1
run "$build/envsweep-sample.exe" report "$description" "$(win "$work/before.txt")" "$(win "$work/control.txt")" 0 \
    > "$work/control-report.txt"
control_result=$?
iconv -c -f CP932 -t UTF-8 "$work/control-report.txt" 2>/dev/null

start=$(date +%s.%N)
if [ "$mode" = silent ]; then
    echo "== envsweep.exe /C 262143 /S"
    run "$exe" /C 262143 /S
    code=$?
elif [ -n "${DISPLAY:-}" ]; then
    echo "== envsweep.exe /C 262143 on $DISPLAY: answer Yes, Search, OK, Continue, Yes, ..., Restart later"
    run "$exe" /C 262143
    code=$?
else
    echo "== envsweep.exe /C 262143 on Xvfb, answered by envsweep-sample drive-window"
    run "$exe" /C 262143 &
    app=$!
    run "$build/envsweep-sample.exe" drive-window 1500 &
    driver=$!
    display=$(cat "$(dirname "$ENVSWEEP_PREFIX")/.$(basename "$ENVSWEEP_PREFIX")-state/xvfb.display")
    shot=0
    while kill -0 "$app" 2>/dev/null; do
        DISPLAY=$display import -window root "$work/window-$(printf %02d $shot).png" 2>/dev/null
        shot=$((shot + 1))
        sleep 1.5
    done
    wait "$app"
    code=$?
    wait "$driver"
    echo "$shot screenshots in $work/window-NN.png"
fi
end=$(date +%s.%N)
# Wine hands Linux only the exit code's low byte: 3010 arrives as 194.
case "$code" in
  0)   meaning="every found item is gone" ;;
  1)   meaning="some item is still there, or its backup could not be written (log.txt names each, with its reason)" ;;
  2)   meaning="another copy was running: nothing was done" ;;
  194) meaning="3010: everything is gone or scheduled; a restart finishes the clean-up" ;;
  *)   meaning="the program could not run" ;;
esac
echo "exit code $code: $meaning"

echo "== Snapshot after"
run "$build/envsweep-sample.exe" snapshot "$(win "$work/after.txt")" || exit 1

run "$build/envsweep-sample.exe" release "$event" >/dev/null 2>&1
wait "$holder" 2>/dev/null
holder=

echo "== Report"
run "$build/envsweep-sample.exe" report "$description" "$(win "$work/control.txt")" "$(win "$work/after.txt")" 262143 \
    > "$work/report.txt"
result=$?
# The report is in the program's code page (family 13's name is code page 932 text).
iconv -c -f CP932 -t UTF-8 "$work/report.txt" 2>/dev/null
awk -v s="$start" -v e="$end" 'BEGIN { printf "The clean-up run took %.1f s.\n", e - s }'
# The in-use file is held without sharing, so it cannot be backed up and stays: the silent run
# says so with 1. The window's run ends with 0 whatever it left (a person saw the summaries).
expected=0
if [ "$mode" = silent ]; then
    expected=1
    echo "The in-use file was held without sharing: it could not be backed up, so it stayed (exit code 1, as expected)."
fi
[ "$code" -eq "$expected" ] && [ "$control_code" -eq 0 ] && [ "$control_result" -eq 0 ] || result=1
exit "$result"

#!/usr/bin/env bash
# The search benchmark: builds the sample tool, seeds the sample machine into a fresh Wine prefix
# of its own (build/bench-prefix), adds the busy machine at scales 1 and 3 and prints, for each
# machine, the median time of envsweep's whole search, the median of the touch floor, their
# ratio, the number of items found and a fingerprint of the found-item list.
#
#   tools/bench.sh [--64] [RUNS] [/reference]
#       RUNS searches and floors per machine (default 11); /reference: searches that share no
#       reads; --64: the 64-bit sample machine (both halves) in a 64-bit prefix of its own
#
# Everything happens in one process and one wineserver session, which the script stops at the
# end. The machine is shared and timings are noisy: compare medians and ratios, not single runs.
set -uo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
cd "$root"
machine=machine.txt prefix=bench-prefix
if [ "${1:-}" = --64 ]; then machine=machine64.txt prefix=bench-prefix64; shift; fi
runs=${1:-11}
reference=${2:-}

bash tools/setup.sh >/dev/null || exit 1
cmake --preset default >/dev/null || exit 1
cmake --build --preset default --target envsweep-sample >/dev/null || exit 1

build=$root/build
arch=$(sed -n 's/^ENVSWEEP_ARCH:STRING=//p' "$build/CMakeCache.txt")
[ "$arch" = x86_64 ] && wine_arch=win64 || wine_arch=win32
[ "$machine" = machine64.txt ] && wine_arch=win64
export ENVSWEEP_BUILD=$build ENVSWEEP_WINEARCH=$wine_arch
export ENVSWEEP_PREFIX=$build/$prefix
run() { bash "$root/tools/winerun.sh" "$@"; }

trap 'run --down' EXIT
echo "== A fresh prefix for the benchmark: $ENVSWEEP_PREFIX"
[ -d "$ENVSWEEP_PREFIX" ] && { run --down; rm -rf "$ENVSWEEP_PREFIX"; }
run --up || exit 1

echo "== Benchmark, $runs runs per machine"
run "$build/envsweep-sample.exe" bench "Z:$root/tools/sample_machine/$machine" "$runs" $reference

#!/usr/bin/env bash
# The search benchmark: builds the sample tool, seeds the sample machine into a fresh Wine prefix
# of its own (build/bench-prefix), adds the busy machine at scales 1 and 3 and prints, for each
# machine, the median time of envsweep's whole search, the median of the touch floor, their
# ratio, the number of items found and a fingerprint of the found-item list.
#
#   tools/bench.sh [--64] [--build DIR] [RUNS] [/reference]
#       RUNS searches and floors per machine (default 11); /reference: searches that share no
#       reads; --64: the 64-bit sample machine (both halves) in a 64-bit prefix of its own;
#       --build DIR: the sample tool of another build tree, configured already (default build/,
#       configured by the default preset), whose processor decides the direction measured
#
# The direction: the i686 build (the product) is a 32-bit process; in the 64-bit prefix it runs
# under WOW64 and its other half is the 64-bit one. An x86_64 build (configured with
# -DENVSWEEP_ARCH=x86_64, e.g. in build64/) is the mirror: a 64-bit process whose other half is
# the 32-bit one. Both print the direction before their figures.
#
# Everything happens in one process and one wineserver session, which the script stops at the
# end. The machine is shared and timings are noisy: compare medians and ratios, not single runs.
set -uo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
cd "$root"
machine=machine.txt prefix=bench-prefix build=$root/build own_build=1
while [ $# -gt 0 ]; do
  case "$1" in
    --64) machine=machine64.txt prefix=bench-prefix64; shift ;;
    --build) [ $# -ge 2 ] || { echo "bench.sh: --build needs a folder" >&2; exit 2; }
             build=$(cd "$2" 2>/dev/null && pwd) || { echo "bench.sh: no folder $2" >&2; exit 2; }
             own_build=0; shift 2 ;;
    *) break ;;
  esac
done
runs=${1:-11}
reference=${2:-}

bash tools/setup.sh >/dev/null || exit 1
if [ "$own_build" = 1 ]; then cmake --preset default >/dev/null || exit 1; fi
[ -f "$build/CMakeCache.txt" ] || { echo "bench.sh: $build is not a configured build tree" >&2; exit 2; }
cmake --build "$build" --target envsweep-sample envsweep-desktop >/dev/null || exit 1

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

echo "== Benchmark, $runs runs per machine: the ${arch:-i686} build ($build) in a ${wine_arch#win}-bit prefix, $machine"
run "$build/envsweep-sample.exe" bench "Z:$root/tools/sample_machine/$machine" "$runs" $reference

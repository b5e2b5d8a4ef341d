#!/usr/bin/env bash
# The longer sweep over hostile machines: generates the machines of seeds FIRST..LAST with
# tools/sample_machine/make_machine.py and runs the end-to-end sweep over them in the shared test
# prefix, with its desktop held (tools/winerun.sh --up / --down).
#
#   tools/sweep.sh [FIRST [LAST]]     default 1..50; exit code 0 when every machine came out exact
set -uo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
first=${1:-1}
last=${2:-$((first + 49))}
cd "$root"
cmake --build --preset default --target test_e2e envsweep envsweep-desktop || exit 1
build=$root/build
arch=$(sed -n 's/^ENVSWEEP_ARCH:STRING=//p' "$build/CMakeCache.txt")
[ "$arch" = x86_64 ] && wine_arch=win64 || wine_arch=win32
export ENVSWEEP_BUILD=$build ENVSWEEP_WINEARCH=$wine_arch
folder=$build/hostile-sweep
rm -rf "$folder" && mkdir -p "$folder"
for seed in $(seq "$first" "$last"); do
    python3 tools/sample_machine/make_machine.py "$seed" --out "$folder/seed-$seed.txt" || exit 1
done
export ENVSWEEP_HOSTILE_DIR="Z:$folder"
bash tools/winerun.sh --up || exit 1
bash tools/winerun.sh "$build/test_e2e.exe" --gtest_filter='HostileSweep.*' --gtest_color=no
code=$?
bash tools/winerun.sh --down
exit $code

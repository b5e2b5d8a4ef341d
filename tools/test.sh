#!/usr/bin/env bash
# Sets up the machine (only what is missing), builds with warnings as errors, runs every test.
set -euo pipefail
cd "$(dirname "$0")/.."
bash tools/setup.sh
# The product itself is a 32-bit program: make sure it builds warning-free for i686 as well.
cmake --preset win32 -DENVSWEEP_WERROR=ON >/dev/null
cmake --build --preset win32
# The tests run on the build that this machine's Wine can execute (see cmake/mingw.cmake).
cmake --preset default -DENVSWEEP_WERROR=ON
cmake --build --preset default
# Among the tests, include_rules: dependencies point downwards only (tools/check_includes.sh).
# Two at a time (the preset's jobs): the end-to-end flows have prefixes of their own.
start=$SECONDS
ctest --preset default
echo "test.sh: the tests took $((SECONDS - start)) s"

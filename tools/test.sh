#!/usr/bin/env bash
# Sets up the machine (only what is missing), builds with warnings as errors, runs every test.
set -euo pipefail
cd "$(dirname "$0")/.."
bash tools/setup.sh
cmake --preset default -DENVSWEEP_WERROR=ON
cmake --build --preset default
ctest --preset default

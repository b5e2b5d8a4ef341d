#!/usr/bin/env bash
# Prefixes of their own for the test flows that change a whole machine. Booting a prefix and
# seeding the sample machine into it takes far longer than copying a folder, so each kind of
# prefix is booted (and seeded) once per test run, stopped, and every flow runs in a copy of it:
# flows run side by side, and none sees what another did.
#
#   flowrun.sh --template NAME [FROM [DESCRIPTION]]
#       makes prefixes/NAME of the build tree: a copy of prefixes/FROM ("-" or none: a fresh
#       prefix), seeded with DESCRIPTION (a Unix path) when given, its wineserver stopped.
#   flowrun.sh --remove NAME
#       removes prefixes/NAME again (once every flow that copies it has run).
#   flowrun.sh NAME TEMPLATE [DESCRIPTION] -- PROGRAM [ARGS...]
#       copies prefixes/TEMPLATE to flows/NAME/wineprefix, starts it, puts back what the stopped
#       wineserver and the new desktop took from DESCRIPTION's machine (envsweep-sample refresh),
#       runs PROGRAM there with ENVSWEEP_SEEDED naming DESCRIPTION, and stops it again. The copy
#       is removed after a success and left for a look after a failure (the next run removes it).
#
# ENVSWEEP_BUILD (the build tree) and ENVSWEEP_WINEARCH as for tools/winerun.sh, which does the
# rest: a copied prefix keeps its own wineserver, Xvfb display and desktop holder.
set -u -o pipefail
build=${ENVSWEEP_BUILD:?ENVSWEEP_BUILD is not set}
runner=$(cd "$(dirname "$0")" && pwd)/winerun.sh
unset ENVSWEEP_PREFIX_FROM

fail() { echo "flowrun: $*" >&2; bash "$runner" --down >/dev/null 2>&1; exit 1; }

# Stops a left-over wineserver of the prefix and removes it with its state folder; only below
# the build tree's own prefixes/ and flows/.
remove_prefix() {
  case "$ENVSWEEP_PREFIX" in
    "$build"/prefixes/*|"$build"/flows/*) ;;
    *) echo "flowrun: unexpected prefix $ENVSWEEP_PREFIX" >&2; exit 2 ;;
  esac
  [ -d "$ENVSWEEP_PREFIX" ] && bash "$runner" --down >/dev/null 2>&1
  rm -rf "$ENVSWEEP_PREFIX" "$(dirname "$ENVSWEEP_PREFIX")/.$(basename "$ENVSWEEP_PREFIX")-state"
}

if [ "${1:-}" = --remove ]; then
  export ENVSWEEP_PREFIX=$build/prefixes/${2:?usage: flowrun.sh --remove NAME}
  remove_prefix
  exit 0
fi

if [ "${1:-}" = --template ]; then
  name=${2:?usage: flowrun.sh --template NAME [FROM [DESCRIPTION]]}
  from=${3:--}
  description=${4:-}
  export ENVSWEEP_PREFIX=$build/prefixes/$name
  remove_prefix
  mkdir -p "$build/prefixes"
  [ "$from" = - ] || export ENVSWEEP_PREFIX_FROM=$build/prefixes/$from
  bash "$runner" --up || fail "prefix $name could not be started"
  # A template that could not be seeded is not marked ready: no flow copies it.
  if [ -n "$description" ]; then
    bash "$runner" "$build/envsweep-sample.exe" seed "Z:$description" | tail -n 20 ||
      { rm -f "$ENVSWEEP_PREFIX/.envsweep-ready"; fail "the machine of $description could not be seeded"; }
  fi
  bash "$runner" --down
  exit 0
fi

name=${1:?usage: flowrun.sh NAME TEMPLATE [DESCRIPTION] -- PROGRAM [ARGS...]}
template=$build/prefixes/${2:?usage: flowrun.sh NAME TEMPLATE [DESCRIPTION] -- PROGRAM [ARGS...]}
shift 2
description=
if [ "${1:-}" != -- ]; then description=$1; shift; fi
[ "${1:-}" = -- ] || { echo "usage: flowrun.sh NAME TEMPLATE [DESCRIPTION] -- PROGRAM [ARGS...]" >&2; exit 2; }
shift
[ -f "$template/.envsweep-ready" ] || { echo "flowrun: no prefix $template: its set-up test did not run" >&2; exit 1; }
export ENVSWEEP_PREFIX=$build/flows/$name/wineprefix
remove_prefix
mkdir -p "$build/flows/$name"
export ENVSWEEP_PREFIX_FROM=$template
bash "$runner" --up || fail "the copy of $template could not be started"
unset ENVSWEEP_PREFIX_FROM
if [ -n "$description" ]; then
  bash "$runner" "$build/envsweep-sample.exe" refresh "Z:$description" | tail -n 20 ||
    fail "the machine of $description could not be refreshed"
  export ENVSWEEP_SEEDED=Z:$description
fi
bash "$runner" "$@"
rc=$?
bash "$runner" --down
[ "$rc" -eq 0 ] && remove_prefix && rmdir "$build/flows/$name" 2>/dev/null
exit "$rc"

#!/usr/bin/env bash
# Fails when a source file includes upwards: dependencies point from app down to clean, search,
# model and the tables, with the platform helpers at the bottom. Each folder lists what it may
# include besides itself: whole layers, or single files named by their path. Within the search,
# the registry half and the file half include only their own files and the search's shared units
# (the files directly in src/search/), never each other; those shared units, which drive both
# halves, may include either. The clean-up and the window reach the search through one header
# only, the one that declares SearchAll.
# The tools (tools/*/) build on the program: they may include any file of src/ and the files of
# their own folder, never the tests' (tests/support/ and the like).
# Run by ctest (test "include_rules") and by hand: bash tools/check_includes.sh
set -u
cd "$(dirname "$0")/.."
allowed() {
  case "$1" in
    platform)        echo "platform" ;;
    tables)          echo "tables" ;;
    model)           echo "model tables platform" ;;
    search)          echo "search search/files search/registry model tables platform" ;;
    search/files)    echo "search/files search model tables platform" ;;
    search/registry) echo "search/registry search model tables platform" ;;
    clean)           echo "clean search/search_all.h model tables platform" ;;
    app)             echo "app clean search/search_all.h model tables platform" ;;
    *)               echo "" ;;
  esac
}
# The layer of a path below src/ (or of an include target): its folder, where src/search's
# subfolders are layers of their own.
layer_of() {
  local folder=${1%/*}
  [ "$folder" = "$1" ] && { echo ""; return; }
  case "$folder" in
    search/*) echo "$folder" ;;
    *)        echo "${folder%%/*}" ;;
  esac
}
includes_of() {
  sed -n 's/^[[:space:]]*#[[:space:]]*include[[:space:]]*"\([^"]*\)".*/\1/p' "$1"
}
status=0
while IFS= read -r file; do
  ok=$(allowed "$(layer_of "${file#src/}")")
  while IFS= read -r target; do
    top=$(layer_of "$target")
    [ -z "$top" ] && continue          # a file of the same folder, such as "resource.h"
    case " $ok " in *" $top "*|*" $target "*) ;; *)
      echo "upward include: $file includes \"$target\"" >&2; status=1 ;;
    esac
  done < <(includes_of "$file")
done < <(find src -type f \( -name '*.cpp' -o -name '*.h' -o -name '*.rc' \) | sort)
while IFS= read -r file; do
  while IFS= read -r target; do
    case "$target" in
      */*) [ -f "src/$target" ] && continue ;;
      *)   [ -f "${file%/*}/$target" ] && continue ;;
    esac
    echo "tool include outside src/ and its own folder: $file includes \"$target\"" >&2; status=1
  done < <(includes_of "$file")
done < <(find tools -type f \( -name '*.cpp' -o -name '*.h' \) | sort)
[ "$status" -eq 0 ] && echo "include check: every include points down"
exit "$status"

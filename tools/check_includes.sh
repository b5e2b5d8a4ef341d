#!/usr/bin/env bash
# Fails when a source file includes upwards: dependencies point from app down to clean, search,
# model and the tables, with the platform helpers at the bottom. Each folder lists what it may
# include besides itself. Within the search, the registry half and the file half include only
# their own files and the search's shared units (the files directly in src/search/), never
# each other; those shared units, which drive both halves, may include either.
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
    clean)           echo "clean search search/files search/registry model tables platform" ;;
    app)             echo "app clean search search/files search/registry model tables platform" ;;
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
status=0
while IFS= read -r file; do
  ok=$(allowed "$(layer_of "${file#src/}")")
  while IFS= read -r target; do
    top=$(layer_of "$target")
    [ -z "$top" ] && continue          # a file of the same folder, such as "resource.h"
    case " $ok " in *" $top "*) ;; *)
      echo "upward include: $file includes \"$target\"" >&2; status=1 ;;
    esac
  done < <(sed -n 's/^[[:space:]]*#[[:space:]]*include[[:space:]]*"\([^"]*\)".*/\1/p' "$file")
done < <(find src -type f \( -name '*.cpp' -o -name '*.h' -o -name '*.rc' \) | sort)
[ "$status" -eq 0 ] && echo "include check: every include points down"
exit "$status"

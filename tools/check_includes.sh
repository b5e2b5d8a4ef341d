#!/usr/bin/env bash
# Fails when a source file includes upwards: dependencies point from app down to clean, search,
# model and the tables, with the platform helpers at the bottom. Each folder lists what it may
# include besides itself.
set -u
cd "$(dirname "$0")/.."
allowed() {
  case "$1" in
    platform) echo "platform" ;;
    tables)   echo "tables" ;;
    model)    echo "model tables platform" ;;
    search)   echo "search model tables platform" ;;
    clean)    echo "clean search model tables platform" ;;
    app)      echo "app clean search model tables platform" ;;
    *)        echo "" ;;
  esac
}
status=0
while IFS= read -r file; do
  layer=$(echo "$file" | cut -d/ -f2)
  ok=$(allowed "$layer")
  while IFS= read -r target; do
    top=${target%%/*}
    [ "$top" = "$target" ] && continue          # a file of the same folder, such as "resource.h"
    case " $ok " in *" $top "*) ;; *)
      echo "upward include: $file includes \"$target\"" >&2; status=1 ;;
    esac
  done < <(sed -n 's/^[[:space:]]*#[[:space:]]*include[[:space:]]*"\([^"]*\)".*/\1/p' "$file")
done < <(find src -type f \( -name '*.cpp' -o -name '*.h' -o -name '*.rc' \) | sort)
[ "$status" -eq 0 ] && echo "include check: every include points down"
exit "$status"

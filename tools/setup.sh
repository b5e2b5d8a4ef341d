#!/usr/bin/env bash
# Installs, only where missing, every Debian package the build, the tests and the demo need.
# Idempotent: when everything is present it does nothing slow (no apt-get update).
set -euo pipefail

need=()
have_pkg() { dpkg-query -W -f='${Status}' "$1" 2>/dev/null | grep -q 'install ok installed'; }

pkgs=(g++-mingw-w64-i686-posix binutils-mingw-w64-i686 mingw-w64-i686-dev
      g++-mingw-w64-x86-64-posix binutils-mingw-w64-x86-64 mingw-w64-x86-64-dev wine wine32:i386 wine64
      xvfb xauth cmake make googletest fonts-ipafont-gothic fonts-wine imagemagick locales x11-utils)

if ! dpkg --print-foreign-architectures | grep -qx i386; then
    dpkg --add-architecture i386
    FORCE_UPDATE=1
fi
for p in "${pkgs[@]}"; do have_pkg "$p" || need+=("$p"); done

SUDO=""
[ "$(id -u)" -eq 0 ] || SUDO="sudo"

if [ ${#need[@]} -gt 0 ] || [ -n "${FORCE_UPDATE:-}" ]; then
    echo "setup: installing ${need[*]:-(package lists)}"
    $SUDO apt-get update -qq
    if [ ${#need[@]} -gt 0 ]; then
        DEBIAN_FRONTEND=noninteractive $SUDO apt-get install -y -qq --no-install-recommends "${need[@]}" >/dev/null
    fi
fi

# Locales for the English and Japanese resource tests.
gen=0
for loc in en_US.UTF-8 ja_JP.UTF-8; do
    if ! locale -a 2>/dev/null | grep -qix "$(echo "$loc" | sed 's/UTF-8/utf8/')"; then
        sed -i "s/^# *\($loc UTF-8\)/\1/" /etc/locale.gen 2>/dev/null || true
        grep -q "^$loc UTF-8" /etc/locale.gen 2>/dev/null || echo "$loc UTF-8" >> /etc/locale.gen
        gen=1
    fi
done
[ $gen -eq 0 ] || $SUDO locale-gen >/dev/null
exit 0

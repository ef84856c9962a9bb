#!/usr/bin/env bash
# Installs what building and testing Vantory needs on Debian 12 and fetches the
# pinned SQLite amalgamation. Safe to run again: it only does what is missing.
set -euo pipefail
here=$(cd "$(dirname "$0")/.." && pwd)

packages=(
  cmake make
  gcc-mingw-w64-i686-posix g++-mingw-w64-i686-posix mingw-w64-i686-dev binutils-mingw-w64-i686
  gcc-mingw-w64-x86-64-posix g++-mingw-w64-x86-64-posix mingw-w64-x86-64-dev binutils-mingw-w64-x86-64
  googletest
  wine wine32 wine64
  xvfb xauth x11-utils imagemagick fonts-ipafont-gothic locales
  ca-certificates
)

as_root() { if [ "$(id -u)" = 0 ]; then "$@"; else sudo "$@"; fi; }

missing=()
# wine32 lives in the i386 architecture. It installs on any amd64 machine,
# even one that cannot run it; the 64-bit build needs only wine64.
if ! dpkg --print-foreign-architectures | grep -qx i386; then
  as_root dpkg --add-architecture i386
  need_update=1
fi
for p in "${packages[@]}"; do
  q=$p; [ "$p" = wine32 ] && q=wine32:i386
  dpkg-query -W -f='${Status}' "$q" 2>/dev/null | grep -q "install ok installed" || missing+=("$p")
done
command -v npm >/dev/null 2>&1 || missing+=(npm)
if [ ${#missing[@]} -gt 0 ] || [ -n "${need_update:-}" ]; then
  echo "setup: installing ${missing[*]:-nothing}"
  as_root apt-get update -q
  [ ${#missing[@]} -gt 0 ] && DEBIAN_FRONTEND=noninteractive as_root apt-get install -y -q --no-install-recommends "${missing[@]}"
fi

# Wine takes its ANSI code page from the locale; the tool needs 932.
if ! locale -a 2>/dev/null | grep -qi '^ja_JP\.utf-\?8$'; then
  as_root sed -i 's/^# *ja_JP.UTF-8 UTF-8/ja_JP.UTF-8 UTF-8/' /etc/locale.gen
  grep -q '^ja_JP.UTF-8 UTF-8' /etc/locale.gen || echo 'ja_JP.UTF-8 UTF-8' | as_root tee -a /etc/locale.gen >/dev/null
  as_root locale-gen >/dev/null
fi

# SQLite amalgamation: the npm package better-sqlite3 ships it; only sqlite3.c
# and sqlite3.h are kept, and the archive must match the recorded hash.
sqlite_dir="$here/third_party/sqlite"
pin="$here/third_party/sqlite.pin"
version=$(sed -n 's/^package=//p' "$pin")
want=$(sed -n 's/^sha256=//p' "$pin")
if [ ! -f "$sqlite_dir/sqlite3.c" ] || [ "$(cat "$sqlite_dir/.source" 2>/dev/null)" != "$version $want" ]; then
  tmp=$(mktemp -d)
  if ! (cd "$tmp" && npm pack --silent "$version" >"$tmp/npm.log" 2>&1); then
    cat "$tmp/npm.log" >&2
    echo "setup: fetching the SQLite amalgamation ($version) from the npm registry failed." >&2
    echo "setup: check the network connection and the npm registry setting (npm config get registry)." >&2
    rm -rf "$tmp"; exit 1
  fi
  tgz=$(ls "$tmp"/*.tgz)
  got=$(sha256sum "$tgz" | cut -d' ' -f1)
  if [ "$got" != "$want" ]; then
    echo "setup: $version has SHA-256 $got, expected $want" >&2
    rm -rf "$tmp"; exit 1
  fi
  mkdir -p "$sqlite_dir"
  tar -xzf "$tgz" -C "$tmp" package/deps/sqlite3/sqlite3.c package/deps/sqlite3/sqlite3.h
  mv "$tmp/package/deps/sqlite3/sqlite3.c" "$tmp/package/deps/sqlite3/sqlite3.h" "$sqlite_dir/"
  echo "$version $want" > "$sqlite_dir/.source"
  rm -rf "$tmp"
fi

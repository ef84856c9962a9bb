#!/usr/bin/env bash
# Installs what building and testing Vantory needs on Debian 12 and fetches the
# pinned SQLite amalgamation and recovery extension. Safe to run again: it
# only does what is missing.
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

# SQLite amalgamation: the npm package better-sqlite3 ships it; only sqlite3.c,
# sqlite3.h and sqlite3ext.h are kept, and the archive must match the recorded hash.
sqlite_dir="$here/third_party/sqlite"
pin="$here/third_party/sqlite.pin"
version=$(sed -n 's/^package=//p' "$pin")
want=$(sed -n 's/^sha256=//p' "$pin")
if [ ! -f "$sqlite_dir/sqlite3.c" ] || [ ! -f "$sqlite_dir/sqlite3ext.h" ] ||
   [ "$(cat "$sqlite_dir/.source" 2>/dev/null)" != "$version $want" ]; then
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
  tar -xzf "$tgz" -C "$tmp" package/deps/sqlite3/sqlite3.c package/deps/sqlite3/sqlite3.h \
    package/deps/sqlite3/sqlite3ext.h
  mv "$tmp"/package/deps/sqlite3/sqlite3*.[ch] "$sqlite_dir/"
  echo "$version $want" > "$sqlite_dir/.source"
  rm -rf "$tmp"
fi

# SQLite's recovery extension, which the report's repair of a damaged record
# uses: Debian's source package of sqlite3 holds it. apt-get fetches it through
# a sources list of its own in a temporary folder (the machine's apt sources
# stay as they are); only the three files are kept from the pinned archive.
recover_dir="$sqlite_dir/recover"
pin="$here/third_party/sqlite-recover.pin"
archive=$(sed -n 's/^archive=//p' "$pin")
top=$(sed -n 's/^folder=//p' "$pin")
want=$(sed -n 's/^sha256=//p' "$pin")
if [ ! -f "$recover_dir/sqlite3recover.c" ] || [ "$(cat "$recover_dir/.source" 2>/dev/null)" != "$archive $want" ]; then
  tmp=$(mktemp -d)
  chmod 755 "$tmp"  # apt's download user writes there
  mkdir -p "$tmp/lists/partial" "$tmp/parts" "$tmp/get"
  # The machine's own Debian mirror and release, as a source-package line.
  mirror=$(grep -h -E '^(URIs:|deb )' /etc/apt/sources.list /etc/apt/sources.list.d/*.list \
             /etc/apt/sources.list.d/*.sources 2>/dev/null | grep -v security |
           sed -E 's/^URIs: *//; s/^deb +(\[[^]]*\] +)?//; s/ .*//' | grep -m1 -E '/debian/?$' || true)
  release=$(. /etc/os-release && echo "$VERSION_CODENAME")
  echo "deb-src [signed-by=/usr/share/keyrings/debian-archive-keyring.gpg] $mirror $release main" > "$tmp/sources.list"
  apt_private=(-o "Dir::Etc::SourceList=$tmp/sources.list" -o "Dir::Etc::SourceParts=$tmp/parts"
               -o "Dir::State::Lists=$tmp/lists")
  if ! as_root apt-get -q "${apt_private[@]}" update >"$tmp/apt.log" 2>&1 ||
     ! (cd "$tmp/get" && as_root apt-get -q "${apt_private[@]}" source --download-only "$(sed -n 's/^package=//p' "$pin")") \
       >>"$tmp/apt.log" 2>&1 || [ ! -f "$tmp/get/$archive" ]; then
    cat "$tmp/apt.log" >&2
    echo "setup: fetching $archive (Debian's source package of sqlite3) failed." >&2
    rm -rf "$tmp"; exit 1
  fi
  got=$(sha256sum "$tmp/get/$archive" | cut -d' ' -f1)
  if [ "$got" != "$want" ]; then
    echo "setup: $archive has SHA-256 $got, expected $want" >&2
    rm -rf "$tmp"; exit 1
  fi
  files=(sqlite3recover.c sqlite3recover.h dbdata.c)
  tar -xJf "$tmp/get/$archive" -C "$tmp" "${files[@]/#/$top/ext/recover/}"
  mkdir -p "$recover_dir"
  for f in "${files[@]}"; do mv "$tmp/$top/ext/recover/$f" "$recover_dir/"; done
  echo "$archive $want" > "$recover_dir/.source"
  rm -rf "$tmp"
fi

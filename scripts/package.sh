#!/usr/bin/env bash
# Builds the player's zip: vty.exe, sqlite3.dll, vty_report.exe and the
# Japanese readme, into <build dir>/Vantory.zip (VTY_BUILD_DIR, default build).
# The readme is stored as Shift-JIS (code page 932) with CR LF line ends, the
# form that Notepad on Japanese Windows opens correctly, old versions too.
set -euo pipefail
here=$(cd "$(dirname "$0")/.." && pwd)
build=${VTY_BUILD_DIR:-$here/build}
VTY_BUILD_DIR=$build bash "$here/scripts/build.sh" --target vty vty_report
stage=$(mktemp -d)
trap 'rm -rf "$stage"' EXIT
mkdir "$stage/Vantory"
cp "$build/bin/vty.exe" "$build/bin/sqlite3.dll" "$build/bin/vty_report.exe" "$stage/Vantory/"
# Players need no debug information: it would make the zip ten times larger.
i686-w64-mingw32-strip --strip-debug "$stage"/Vantory/*.exe "$stage"/Vantory/*.dll
sed 's/$/\r/' "$here/docs/readme-ja.txt" | iconv -f UTF-8 -t CP932 > "$stage/Vantory/readme-ja.txt"
rm -f "$build/Vantory.zip"
if command -v zip >/dev/null; then
  (cd "$stage" && zip -q -X -r "$build/Vantory.zip" Vantory)
else
  (cd "$stage" && python3 -m zipfile -c "$build/Vantory.zip" Vantory)
fi
echo "$build/Vantory.zip"

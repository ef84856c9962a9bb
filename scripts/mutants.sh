#!/usr/bin/env bash
# Seeded faults: applies each fault of tests/mutants.txt in turn to the
# 64-bit build (it runs on every machine), rebuilds the test programs named
# for it, runs them, and puts the file back byte for byte. Prints caught or
# missed per fault; fails when a fault was missed, is stale (its text is no
# longer in the file exactly once) or does not build.
# Usage: scripts/mutants.sh [part of a fault's name]
set -uo pipefail
here=$(cd "$(dirname "$0")/.." && pwd)
list=$here/tests/mutants.txt
pick=${1:-}

# The list's parser and the find/replace: byte-exact, whatever the text holds.
helper='
import sys
def blocks(path):
    faults, cur = [], None
    for number, raw in enumerate(open(path, "rb").read().split(b"\n"), 1):
        line = raw.rstrip(b"\r")
        if not line.strip():
            cur = None
            continue
        if line.startswith(b"#"):
            continue
        key, sep, value = line.partition(b":")
        key = key.decode()
        if not sep or key not in ("name", "file", "find", "replace", "tests"):
            sys.exit("mutants.txt:%d: not a key: value line" % number)
        value = value[1:] if value.startswith(b" ") else value
        if cur is None:
            cur = {"line": number}
            faults.append(cur)
        if key in ("find", "replace") and key in cur:
            cur[key] += b"\n" + value
        elif key in cur:
            sys.exit("mutants.txt:%d: %s given twice" % (number, key))
        else:
            cur[key] = value
    for f in faults:
        missing = [k for k in ("name", "file", "find", "replace", "tests") if k not in f]
        if missing:
            sys.exit("mutants.txt:%d: no %s" % (f["line"], ", ".join(missing)))
    return faults
command, path = sys.argv[1], sys.argv[2]
faults = blocks(path)
if command == "list":
    pick = sys.argv[3].encode()
    for i, f in enumerate(faults):
        if pick in f["name"]:
            print("\t".join([str(i), f["name"].decode(), f["file"].decode(), f["tests"].decode()]))
elif command == "apply":
    f = faults[int(sys.argv[3])]
    target = sys.argv[4]
    text = open(target, "rb").read()
    count = text.count(f["find"])
    if count != 1:
        print("found %d times" % count)
        sys.exit(3)
    open(target, "wb").write(text.replace(f["find"], f["replace"]))
'
mutant() { python3 -c "$helper" "$@"; }

faults=$(mutant list "$list" "$pick") || exit 2
[ -n "$faults" ] || { echo "mutants: no fault's name contains '$pick'" >&2; exit 2; }

source "$here/scripts/arch.sh"
build=$(vty_build_dir 64)
VTY_ARCH=64 bash "$here/scripts/build.sh" >/dev/null || { echo "mutants: the unchanged tree does not build" >&2; exit 2; }
source "$here/scripts/xvfb.sh"

# The file being changed and its original bytes: put back on any exit.
work=$(mktemp -d)
changed=
restore() {
  if [ -n "$changed" ]; then
    cp "$work/original" "$changed"  # a new time stamp: the next build recompiles it
    changed=
  fi
}
finish() {
  restore
  rm -rf "$work"
  vty_cleanup
}
trap finish EXIT
trap 'exit 130' INT TERM HUP

before=$(git -C "$here" status --porcelain)
# ShellTest starts vty.exe, which no test program depends on: it is
# rebuilt with every fault.
known=" $(ctest --test-dir "$build" -N | sed -n 's/^ *Test *#[0-9]*: //p' | tr '\n' ' ') "
start=$SECONDS
caught=0 missed=0 broken=0 unclean=0 all_tests=
rows=()
while IFS=$'\t' read -r -u 3 index name file tests; do
  all_tests="$all_tests $tests"
  by=-
  unknown=
  for t in $tests; do [[ $known == *" $t "* ]] || unknown="$unknown $t"; done
  echo "mutants: $name" >&2
  if [ -n "$unknown" ]; then
    result="no such test:$unknown"; broken=$((broken + 1))
  else
    cp "$here/$file" "$work/original"
    changed=$here/$file
    if ! said=$(mutant apply "$list" "$index" "$here/$file"); then
      changed=
      result="stale ($said)"; broken=$((broken + 1))
    elif ! cmake --build "$build" -j"$(nproc)" --target $tests vty >"$work/build.log" 2>&1; then
      result="does not build"; broken=$((broken + 1))
      grep -m1 -E 'error' "$work/build.log" >&2 || true
    else
      ctest --test-dir "$build" --no-tests=error -R "^($(echo $tests | tr ' ' '|'))\$" >"$work/test.log" 2>&1
      failed=$(sed -n 's/^[[:space:]]*[0-9]* - \([A-Za-z0-9_]*\) (.*/\1/p' "$work/test.log" | tr '\n' ' ')
      if [ -n "$failed" ]; then
        result=caught; by=${failed% }; caught=$((caught + 1))
      elif grep -qE '^100% tests passed' "$work/test.log"; then
        result=missed; missed=$((missed + 1))
      else
        result="ctest failed to run"; broken=$((broken + 1))
      fi
    fi
    restore
  fi
  rows+=("$name|$by|$result")
  echo "  $result" >&2
done 3<<<"$faults"

# The tree as it was, and its programs built from it again.
touched=$(echo vty $all_tests | tr ' ' '\n' | sort -u | tr '\n' ' ')
cmake --build "$build" -j"$(nproc)" --target $touched >/dev/null 2>&1 || { echo "mutants: the rebuild of the restored tree failed" >&2; unclean=1; }
if [ "$(git -C "$here" status --porcelain)" != "$before" ]; then
  echo "mutants: the tree is not as it was:" >&2
  git -C "$here" status --short >&2
  unclean=1
fi

echo
echo "fault | caught by | result"
echo "--- | --- | ---"
for row in "${rows[@]}"; do echo "${row//|/ | }"; done
echo
echo "mutants: $caught caught, $missed missed"
[ "$broken" = 0 ] || echo "mutants: $broken faults are stale, do not build or name no test (the list needs mending)"
echo "mutants: $((SECONDS - start)) s"
[ "$missed" = 0 ] && [ "$broken" = 0 ] && [ "$unclean" = 0 ]

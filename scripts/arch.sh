# Sourced by the scripts: the two builds and which of them this machine runs.
# The 32-bit build (what players get) goes into VTY_BUILD_DIR (default build),
# the 64-bit build into the same name with 64 appended (default build64).
vty_base=${VTY_BUILD_DIR:-$here/build}

vty_build_dir() {
  if [ "$1" = 64 ]; then echo "${vty_base}64"; else echo "$vty_base"; fi
}

# Builds a tiny 32-bit Windows program and runs it under the 32-bit Wine in
# the 32-bit build's prefix. True when it ran; vty_probe_said keeps the first
# line of what went wrong otherwise. The kernel may lack IA-32 emulation, in
# which case every 32-bit program fails to start; uname can't tell.
vty_probe_32bit() {
  local dir out
  dir=$(vty_build_dir 32)/probe
  mkdir -p "$dir"
  printf '#include <stdio.h>\nint main(void) { puts("vty-probe-32"); return 0; }\n' > "$dir/probe32.c"
  if ! out=$(i686-w64-mingw32-gcc-posix -o "$dir/probe32.exe" "$dir/probe32.c" 2>&1); then
    vty_probe_said="no 32-bit compiler: ${out%%$'\n'*}"
    return 1
  fi
  out=$(VTY_WINE_ARCH=win32 timeout 300 bash "$here/scripts/wine-run.sh" "$(vty_build_dir 32)" "$dir/probe32.exe" 2>&1) || true
  case $out in
    *vty-probe-32*) return 0 ;;
  esac
  # wine-run's own words say little; the loader's own error says why.
  if out=$( { /usr/lib/wine/wine --version; } 2>&1 ); then
    vty_probe_said="the 32-bit Wine starts, but a 32-bit program did not run"
  else
    out=${out%%$'\n'*}
    vty_probe_said="/usr/lib/wine/wine: ${out##*: }"
  fi
  return 1
}

# Sets vty_builds ("32 64", "32" or "64") and vty_reason. VTY_BUILDS=32, 64
# or both forces the choice; unset or auto lets the probe decide.
vty_choose_builds() {
  case ${VTY_BUILDS:-auto} in
    32) vty_builds=32 ;;
    64) vty_builds=64 ;;
    both) vty_builds="32 64" ;;
    auto)
      if vty_probe_32bit; then
        vty_builds="32 64"; vty_reason="this machine runs 32-bit Windows programs"
      else
        vty_builds=64; vty_reason="this machine cannot run 32-bit programs (${vty_probe_said:-the probe failed})"
      fi
      return 0 ;;
    *) echo "VTY_BUILDS must be 32, 64, both or auto, not '$VTY_BUILDS'" >&2; return 1 ;;
  esac
  vty_reason="VTY_BUILDS=$VTY_BUILDS asks for it"
}

# "the 32-bit and the 64-bit build" or "the 64-bit build only", for messages.
vty_builds_text() {
  case $vty_builds in
    "32 64") echo "the 32-bit and the 64-bit build" ;;
    *) echo "the $vty_builds-bit build only" ;;
  esac
}

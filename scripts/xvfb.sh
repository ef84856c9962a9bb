# Sourced after arch.sh: gives the shell a DISPLAY, starting a private Xvfb
# when there is none, and stops it (and the builds' Wine servers) on exit.
if [ -z "${DISPLAY:-}" ]; then
  # Xvfb picks a free display itself and writes its number once it accepts
  # clients: a number taken by a server we cannot see is never guessed.
  vty_display_file=$(mktemp)
  Xvfb -displayfd 3 -screen 0 1024x768x24 -nolisten tcp 3>"$vty_display_file" >/dev/null 2>&1 &
  vty_xvfb=$!
  for _ in $(seq 100); do
    [ -s "$vty_display_file" ] && break
    kill -0 "$vty_xvfb" 2>/dev/null || break
    sleep 0.1
  done
  vty_display=$(head -n 1 "$vty_display_file")
  rm -f "$vty_display_file"
  if ! [[ $vty_display =~ ^[0-9]+$ ]]; then
    echo "xvfb: Xvfb did not start, so no window can be created" >&2
    kill "$vty_xvfb" 2>/dev/null
    exit 1
  fi
  export DISPLAY=:$vty_display
fi
vty_cleanup() {
  local arch
  for arch in 32 64; do
    [ -d "$(vty_build_dir $arch)/wineprefix" ] || continue
    WINEPREFIX="$(vty_build_dir $arch)/wineprefix" wineserver -k >/dev/null 2>&1 || true
  done
  [ -n "${vty_xvfb:-}" ] && kill "$vty_xvfb" 2>/dev/null || true
}
trap vty_cleanup EXIT

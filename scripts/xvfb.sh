# Sourced after arch.sh: gives the shell a DISPLAY, starting a private Xvfb
# when there is none, and stops it (and the builds' Wine servers) on exit.
if [ -z "${DISPLAY:-}" ]; then
  for n in $(seq 90 140); do
    [ -e "/tmp/.X11-unix/X$n" ] || [ -e "/tmp/.X$n-lock" ] || { vty_display=":$n"; break; }
  done
  Xvfb "$vty_display" -screen 0 1024x768x24 -nolisten tcp >/dev/null 2>&1 &
  vty_xvfb=$!
  for _ in $(seq 50); do [ -e "/tmp/.X11-unix/X${vty_display#:}" ] && break; sleep 0.1; done
  export DISPLAY=$vty_display
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

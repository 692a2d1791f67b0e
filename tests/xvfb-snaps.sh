# Sourced: starts Xvfb on display $1 with Wine's X11 driver and takes a screenshot
# into docs/screenshots/ whenever the e2e driver asks for one. Sets snap_requests to
# the folder the driver's requests go to (a host path); the exit trap stops it all.
xvfb_snaps_start() {
  local display=$1 shots=$repo/docs/screenshots
  Xvfb "$display" -screen 0 1024x768x24 >/dev/null 2>&1 &
  xvfb_pid=$!
  export DISPLAY=$display
  wine_graphics x11
  mkdir -p "$shots"
  snap_requests=$(mktemp -d)
  ( while kill -0 "$xvfb_pid" 2>/dev/null; do
      for request in "$snap_requests"/*.snap-request; do
        [ -e "$request" ] || continue
        import -display "$display" -window root "$shots/$(basename "$request" .snap-request).png"
        rm -f "$request"
      done
      sleep 0.2
    done ) &
  trap 'kill $xvfb_pid 2>/dev/null || true; wine_graphics null' EXIT
}

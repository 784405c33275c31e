#!/usr/bin/env bash
# Starts the organizer through run.sh on a virtual screen, logs in as admin and takes
# screenshots of the splash, the log-in dialog, the main window with its View menu, the
# Find window, and the question that offers back diary text typed before a log-out:
#   xvfb-run -a -s '-screen 0 1280x800x24' scripts/screenshots.sh [directory]
# Needs xdotool and imagemagick besides the build's packages.
set -euo pipefail
root="$(cd "$(dirname "$0")/.." && pwd)"
out="${1:-/tmp/vemora-screenshots}"
mkdir -p "$out"

"$root/scripts/run.sh" &
pid=$!
trap 'kill "$pid" 2>/dev/null || true' EXIT

# Waits for a window with that title, lets it paint, then shoots the whole screen.
shoot() {
  xdotool search --sync --onlyvisible --name "$1" >/dev/null
  sleep 0.5
  import -window root "$out/$2.png"
}

shoot "^Kelvo's Vemora v1.0\$" 1-splash
shoot '^User Log-in$' 2-login
xdotool type admin; xdotool key Return; xdotool type admin; xdotool key Return
shoot '^Successful!$' 3-welcome
xdotool key Return
shoot 'Vemora Main' 4-main
xdotool key alt+v
sleep 0.5
import -window root "$out/5-view-menu.png"
xdotool key Escape ctrl+f
xdotool search --sync --onlyvisible --name '^Find$' >/dev/null
xdotool type --delay 100 "${VEMORA_SCREENSHOT_FIND:-a}"
shoot '^Find$' 6-find
# Without a window manager a window gets the keyboard only when given it.
focus() { xdotool windowfocus --sync "$(xdotool search --onlyvisible --name "$1" | head -1)"; }
focus 'Vemora Main'
xdotool key ctrl+d
sleep 0.5
xdotool type --delay 50 "Typed, and not saved before the log-out."
xdotool key ctrl+o
xdotool search --sync --onlyvisible --name '^Are you sure\?$' >/dev/null
xdotool key Return
sleep 0.5
focus "^Kelvo's Vemora v1.0\$"
xdotool key ctrl+i
xdotool search --sync --onlyvisible --name '^User Log-in$' >/dev/null
xdotool type admin; xdotool key Return; xdotool type admin; xdotool key Return
xdotool search --sync --onlyvisible --name '^Successful!$' >/dev/null
xdotool key Return
shoot '^Text Not Saved$' 7-draft
echo "Screenshots in $out"

#!/usr/bin/env bash
# Screenshots of the real window, one per tab, under a virtual X server:
# docs/screenshot-osd.png and docs/screenshot-ptz.png. The app runs unchanged on Qt's xcb
# platform; the window is grabbed and driven from outside (ImageMagick's import, xdotool).
#
# Usage: tools/take_screenshots.sh [path/to/ptzpanel]   (default: the release build)
set -euo pipefail

root=$(cd "$(dirname "$0")/.." && pwd)
app=${1:-$root/build/release/src/app/ptzpanel}
out=$root/docs
[ -x "$app" ] || { echo "no executable at $app: build the release preset first" >&2; exit 1; }
for tool in xvfb-run import xdotool; do
    command -v "$tool" >/dev/null || { echo "missing $tool (make deps)" >&2; exit 1; }
done
mkdir -p "$out"

if [ -z "${PTZ_IN_XVFB:-}" ]; then
    PTZ_IN_XVFB=1 exec xvfb-run -a -s "-screen 0 1280x1024x24 -dpi 96" "$0" "$app"
fi

# A fresh memory: no remembered tab, window place, camera, speeds or preset names.
XDG_CONFIG_HOME=$(mktemp -d) QT_QPA_PLATFORM=xcb "$app" &
pid=$!
trap 'kill "$pid" 2>/dev/null || true' EXIT

window=$(xdotool search --sync --onlyvisible --name '^PTZ Panel$' | head -n 1)
# Let the first frames reach the server.
xdotool sync >/dev/null 2>&1 || true
sleep 1
import -window "$window" "$out/screenshot-osd.png"

# Click the second tab ("PTZ"), just right of the first one.
xdotool mousemove --window "$window" 75 13 click 1
sleep 1
import -window "$window" "$out/screenshot-ptz.png"

echo "wrote $out/screenshot-osd.png and $out/screenshot-ptz.png"

#!/usr/bin/env bash
# Pictures of the real program with its simulated camera (--simulated-camera), under a virtual
# X server: docs/screenshot-osd.png and docs/screenshot-ptz.png (the panel's two tabs),
# docs/screenshot-simulated-camera.png (the panel with the camera's view beside it, its menu
# open) and
# docs/held-pan.gif (the view while the PTZ tab's right button is held). The program runs
# unchanged on Qt's xcb platform; it is grabbed and driven from outside (ImageMagick, xdotool).
#
# Usage: tools/take_screenshots.sh [path/to/ptzpanel]   (default: the release build)
set -euo pipefail

root=$(cd "$(dirname "$0")/.." && pwd)
app=${1:-$root/build/release/src/app/ptzpanel}
out=$root/docs
[ -x "$app" ] || { echo "no executable at $app: build the release preset first" >&2; exit 1; }
for tool in xvfb-run import convert xdotool; do
    command -v "$tool" >/dev/null || { echo "missing $tool (make deps)" >&2; exit 1; }
done
mkdir -p "$out"

if [ -z "${PTZ_IN_XVFB:-}" ]; then
    PTZ_IN_XVFB=1 exec xvfb-run -a -s "-screen 0 1280x720x24 -dpi 96 -wr" "$0" "$app"
fi

# A fresh memory: no remembered tab, window place, camera, speeds or preset names.
XDG_CONFIG_HOME=$(mktemp -d) QT_QPA_PLATFORM=xcb "$app" --simulated-camera &
pid=$!
frames=$(mktemp -d)
trap 'kill "$pid" 2>/dev/null || true; rm -rf "$frames"' EXIT

panel=$(xdotool search --sync --onlyvisible --name '^PTZ Panel$' | head -n 1)
view=$(xdotool search --sync --onlyvisible --name '^Simulated PTZ Camera$' | head -n 1)
# Let the first frames reach the server.
sleep 1
import -window "$panel" "$out/screenshot-osd.png"

# Without a window manager the windows sit where the program put them: the view to the
# right of the panel, both at the top. The camera's menu open, its cursor one line down.
eval "$(xdotool getwindowgeometry --shell "$view")"
both="$((X + WIDTH))x$(xdotool getwindowgeometry --shell "$panel" | sed -n 's/^HEIGHT=//p')+0+0"
xdotool mousemove --window "$panel" 329 391 click 1 mousemove --window "$panel" 263 307 click 1
sleep 0.5
import -window root -crop "$both" +repage "$out/screenshot-simulated-camera.png"
xdotool mousemove --window "$panel" 329 391 click 1

# Click the second tab ("PTZ"), just right of the first one.
xdotool mousemove --window "$panel" 75 13 click 1
sleep 1
import -window "$panel" "$out/screenshot-ptz.png"

# Hold the right button for three seconds, grabbing the view as fast as it can be grabbed.
xdotool mousemove --window "$panel" 248 226 mousedown 1
start=$(date +%s%N)
count=0
while [ $(($(date +%s%N) - start)) -lt 3000000000 ]; do
    import -window root -crop "$both" +repage "$frames/$(printf %03d "$count").png"
    count=$((count + 1))
done
elapsed=$(($(date +%s%N) - start))
xdotool mouseup 1
# One frame's delay in hundredths of a second, as they were taken; a pause before it loops.
delay=$((elapsed / count / 10000000))
convert -delay "$delay" "$frames"/*.png -delay 150 "$frames/$(printf %03d $((count - 1))).png" \
    -resize 60% -loop 0 -layers Optimize "$out/held-pan.gif"

echo "wrote screenshot-osd.png, screenshot-ptz.png, screenshot-simulated-camera.png and" \
    "held-pan.gif ($count frames, ${delay}0 ms apart) in $out"

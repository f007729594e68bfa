#!/usr/bin/env bash
# Start-up time and idle cost of the real window under a virtual X server.
#
# Start-up: from just before the process is started to the X server's MapNotify for its
# window, seen by an outside observer (xev on the root window), and the CPU time the process
# used until then. Idle: resident memory
# (VmRSS) two seconds after the window is shown, the CPU ticks used over the next five
# seconds, and the system calls made in three seconds (strace): with no timers there are none.
#
# Usage: tools/measure_startup.sh [path/to/ptzpanel] [runs]
set -euo pipefail

root=$(cd "$(dirname "$0")/.." && pwd)
app=${1:-$root/build/release/src/app/ptzpanel}
runs=${2:-5}
[ -x "$app" ] || { echo "no executable at $app: build the release preset first" >&2; exit 1; }

if [ -z "${PTZ_IN_XVFB:-}" ]; then
    PTZ_IN_XVFB=1 exec xvfb-run -a -s "-screen 0 1280x1024x24" "$0" "$app" "$runs"
fi

# Microseconds from bash itself: forking date(1) for every event line would delay the stamp.
now_us() { echo "${EPOCHREALTIME/./}"; }
events=$(mktemp)
trap 'rm -f "$events"' EXIT

for run in $(seq "$runs"); do
    : >"$events"
    # Every root-window child event, stamped on arrival.
    (stdbuf -oL xev -root -event substructure | while IFS= read -r line; do
        echo "$(now_us) $line"
    done) >"$events" &
    observer=$!
    sleep 0.5
    start=$(now_us)
    QT_QPA_PLATFORM=xcb "$app" 2>/dev/null &
    pid=$!
    while ! grep -q 'MapNotify' "$events"; do sleep 0.01; done
    mapped=$(grep -m1 'MapNotify' "$events" | cut -d' ' -f1)
    # CPU time the process used until then: less disturbed by other load than the wall time.
    cpu=$(awk '{print $14 + $15}' "/proc/$pid/stat")
    echo "run $run: window shown after $(((mapped - start) / 1000)) ms;" \
        "CPU used $((cpu * 1000 / $(getconf CLK_TCK))) ms; load $(cut -d' ' -f1 /proc/loadavg)"
    if [ "$run" -eq "$runs" ]; then
        sleep 2
        rss=$(awk '/VmRSS/ {print $2, $3}' "/proc/$pid/status")
        ticks() { awk '{print $14 + $15}' "/proc/$pid/stat"; }
        before=$(ticks)
        sleep 5
        after=$(ticks)
        echo "idle: VmRSS $rss; CPU over 5 s: $((after - before)) ticks ($(getconf CLK_TCK)/s)"
        if command -v strace >/dev/null; then
            timeout -s INT 3 strace -f -c -p "$pid" -o /tmp/ptz-idle-strace.txt 2>/dev/null || true
            calls=$(awk '/total/ {print $3}' /tmp/ptz-idle-strace.txt)
            echo "idle: system calls in 3 s: ${calls:-0}"
        fi
    fi
    kill "$pid" 2>/dev/null || true
    wait "$pid" 2>/dev/null || true
    pkill -P "$observer" 2>/dev/null || true
    kill "$observer" 2>/dev/null || true
    wait "$observer" 2>/dev/null || true
done

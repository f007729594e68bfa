#!/usr/bin/env bash
# Start-up of the panel against a bare two-tab Qt window, and the panel's idle cost, under a
# virtual X server.
#
# Start-up: from just before a program is started to the X server's MapNotify for its window,
# seen by an outside observer (xev on the root window), for ptzpanel and the bare window
# (bench/bare_tab_window) in turn, one run each per round, so that a change in the machine's
# load touches both alike; then the medians and their ratio. Idle: the panel's resident memory
# two seconds after its window is shown, the CPU ticks it uses over the next five seconds, and
# the system calls it makes in three (strace): with no timers there are none.
#
# Usage: tools/measure_startup.sh [rounds] [build folder]
set -euo pipefail

root=$(cd "$(dirname "$0")/.." && pwd)
rounds=${1:-15}
build=${2:-$root/build/release}
panel=$build/src/app/ptzpanel
bare=$build/bench/bare_tab_window
for program in "$panel" "$bare"; do
    [ -x "$program" ] || { echo "no executable at $program: build the release preset" >&2; exit 1; }
done

if [ -z "${PTZ_IN_XVFB:-}" ]; then
    PTZ_IN_XVFB=1 exec xvfb-run -a -s "-screen 0 1280x1024x24" "$0" "$rounds" "$build"
fi

# Microseconds from bash itself: forking date(1) for every event line would delay the stamp.
now_us() { echo "${EPOCHREALTIME/./}"; }
events=$(mktemp)
trap 'rm -f "$events"' EXIT

# Starts `$1` and sets $mapped_us to the microseconds until its window was mapped; leaves it
# running as $pid, watched by $observer.
time_to_map() {
    : >"$events"
    (stdbuf -oL xev -root -event substructure | while IFS= read -r line; do
        echo "$(now_us) $line"
    done) >"$events" &
    observer=$!
    sleep 0.5
    local start
    start=$(now_us)
    QT_QPA_PLATFORM=xcb "$1" 2>/dev/null &
    pid=$!
    while ! grep -q 'MapNotify' "$events"; do sleep 0.005; done
    mapped_us=$(($(grep -m1 'MapNotify' "$events" | cut -d' ' -f1) - start))
}

stop() {
    kill "$pid" 2>/dev/null || true
    wait "$pid" 2>/dev/null || true  # quietly: the shell would report the kill
    pkill -P "$observer" 2>/dev/null || true
    kill "$observer" 2>/dev/null || true
    wait "$observer" 2>/dev/null || true
}

median() { sort -n | awk '{v[NR] = $1} END {print (NR % 2) ? v[(NR + 1) / 2] : (v[NR / 2] + v[NR / 2 + 1]) / 2}'; }

panel_times=()
bare_times=()
for round in $(seq "$rounds"); do
    time_to_map "$panel"; stop; panel_times+=("$mapped_us")
    time_to_map "$bare"; stop; bare_times+=("$mapped_us")
    echo "round $round: ptzpanel $((panel_times[-1] / 1000)).$(((panel_times[-1] % 1000) / 100)) ms," \
        "bare window $((bare_times[-1] / 1000)).$(((bare_times[-1] % 1000) / 100)) ms;" \
        "load $(cut -d' ' -f1 /proc/loadavg)"
done
panel_median=$(printf '%s\n' "${panel_times[@]}" | median)
bare_median=$(printf '%s\n' "${bare_times[@]}" | median)
awk -v p="$panel_median" -v b="$bare_median" 'BEGIN {
    printf "median window shown after: ptzpanel %.1f ms, bare two-tab window %.1f ms, ratio %.3f\n",
        p / 1000, b / 1000, p / b }'
# Each round's own ratio too: a slow drift of the machine's speed touches both runs of a round
# alike, so the median of these moves less between batches than the ratio of the medians.
paired=$(for i in "${!panel_times[@]}"; do
    awk -v p="${panel_times[$i]}" -v b="${bare_times[$i]}" 'BEGIN { printf "%.4f\n", p / b }'
done | median)
echo "median of the rounds' own ratios: $paired"

time_to_map "$panel"
sleep 2
echo "idle: VmRSS $(awk '/VmRSS/ {print $2, $3}' "/proc/$pid/status")"
ticks() { awk '{print $14 + $15}' "/proc/$pid/stat"; }
before=$(ticks)
sleep 5
echo "idle: CPU over 5 s: $(($(ticks) - before)) ticks ($(getconf CLK_TCK)/s)"
if command -v strace >/dev/null; then
    timeout -s INT 3 strace -f -c -p "$pid" -o /tmp/ptz-idle-strace.txt 2>/dev/null || true
    calls=$(awk '/total/ {print $3}' /tmp/ptz-idle-strace.txt)
    echo "idle: system calls in 3 s: ${calls:-0}"
fi
stop

#!/usr/bin/env bash
# Idle CPU of the stand-alone app with its window open, under a private Xvfb display.
# Counts the scheduler's run time of every thread of the process (/proc/PID/task/*/schedstat)
# over a window that starts after the app has settled.
#
#   bench/idle_cpu.sh [app] [seconds per run] [runs]
set -euo pipefail

app=${1:-"$(dirname "$0")/../build/halvix_artefacts/Release/Standalone/halvix"}
seconds=${2:-20}
runs=${3:-5}

[[ -x "$app" ]] || { echo "no app at $app (build it first)" >&2; exit 2; }
command -v Xvfb >/dev/null || { echo "Xvfb is not installed" >&2; exit 2; }

runtime_ns() { cat /proc/"$1"/task/*/schedstat 2>/dev/null | awk '{ s += $1 } END { printf "%d", s }'; }

results=()
for ((run = 1; run <= runs; ++run)); do
    display=":$((200 + RANDOM % 500))"
    home=$(mktemp -d)
    Xvfb "$display" -screen 0 1280x800x24 >/dev/null 2>&1 &
    xvfb=$!
    sleep 1
    HOME="$home" DISPLAY="$display" "$app" >/dev/null 2>&1 &
    pid=$!
    sleep 8 # start-up, first paint and the first idle seconds are left out

    before=$(runtime_ns "$pid"); t0=$(date +%s%N)
    sleep "$seconds"
    after=$(runtime_ns "$pid"); t1=$(date +%s%N)

    kill "$pid" 2>/dev/null || true
    wait "$pid" 2>/dev/null || true
    kill "$xvfb" 2>/dev/null || true
    wait "$xvfb" 2>/dev/null || true
    rm -rf "$home"

    share=$(awk -v a="$before" -v b="$after" -v s="$t0" -v e="$t1" 'BEGIN { printf "%.2f", 100 * (b - a) / (e - s) }')
    results+=("$share")
    echo "run $run: $share % of one core"
done

printf '%s\n' "${results[@]}" | sort -n | awk '{ v[NR] = $1 } END { printf "median of %d runs: %s %% of one core\n", NR, (NR % 2) ? v[(NR + 1) / 2] : (v[NR / 2] + v[NR / 2 + 1]) / 2 }'

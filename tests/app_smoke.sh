#!/usr/bin/env bash
# Starts the stand-alone app in a private X display and checks that it is still
# running, with its window mapped, a few seconds later.
set -u
app="$1"
tmp=$(mktemp -d)
trap 'kill "$app_pid" "$xvfb_pid" 2>/dev/null; wait 2>/dev/null; rm -rf "$tmp"' EXIT

display=:$((90 + RANDOM % 400))
Xvfb "$display" -screen 0 1280x900x24 -nolisten tcp >"$tmp/xvfb.log" 2>&1 &
xvfb_pid=$!
sleep 1

HOME="$tmp" DISPLAY="$display" "$app" >"$tmp/app.log" 2>&1 &
app_pid=$!
sleep 5

if ! kill -0 "$app_pid" 2>/dev/null; then
    echo "the app exited early:"; cat "$tmp/app.log"; exit 1
fi
if ! DISPLAY="$display" xdotool search --name halvix >/dev/null 2>&1; then
    echo "no window named halvix was found"; exit 1
fi
echo "app is running with its window"

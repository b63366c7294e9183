#!/usr/bin/env bash
# Starts the stand-alone app in a private X display with a fresh home folder, clicks
# GENERATE TOP 3 and checks that a run was filed and that the three cards are filled.
# Set HALVIX_E2E_SCREENSHOT to a path to keep the final screenshot.
set -u
app="$1"
tmp=$(mktemp -d)
app_pid=""
xvfb_pid=""
cleanup()
{
    [ -n "$app_pid" ] && kill "$app_pid" 2>/dev/null
    [ -n "$xvfb_pid" ] && kill "$xvfb_pid" 2>/dev/null
    wait 2>/dev/null
    rm -rf "$tmp"
}
trap cleanup EXIT
fail() { echo "FAIL: $*"; [ -f "$tmp/app.log" ] && sed 's/^/app: /' "$tmp/app.log"; exit 1; }

display=:$((500 + RANDOM % 400))
Xvfb "$display" -screen 0 1280x900x24 -nolisten tcp >"$tmp/xvfb.log" 2>&1 &
xvfb_pid=$!
export DISPLAY="$display"
for _ in $(seq 50); do xdpyinfo >/dev/null 2>&1 && break; sleep 0.1; done

mkdir -p "$tmp/home"
HOME="$tmp/home" "$app" >"$tmp/app.log" 2>&1 &
app_pid=$!

# The main window is the one at least as large as the 1000 x 700 editor.
window=""
for _ in $(seq 100); do
    for w in $(xdotool search --name halvix 2>/dev/null); do
        eval "$(xdotool getwindowgeometry --shell "$w")"
        if [ "$WIDTH" -ge 1000 ] && [ "$HEIGHT" -ge 700 ]; then window=$w; break 2; fi
    done
    kill -0 "$app_pid" 2>/dev/null || fail "the app exited early"
    sleep 0.1
done
[ -n "$window" ] || fail "no halvix window appeared"
eval "$(xdotool getwindowgeometry --shell "$window")"

# The editor fills the window's client area: equal side borders, the title bar on top.
ox=$((X + (WIDTH - 1000) / 2))
oy=$((Y + HEIGHT - 700 - (WIDTH - 1000) / 2))
sleep 1

# The colours of a 12 x 12 patch inside each card, as "#RRGGBB" lines.
patch_colours()
{
    convert "$1" -crop "12x12+$2+$3" +repage -depth 8 -format %c histogram:info:- \
        | sed -n 's/.*\(#[0-9A-Fa-f]\{6\}\).*/\1/p' | sort -u
}
card_x=(177 499 821) # card centres: 24 + 153, 346 + 153, 668 + 153
card_y=400

import -window root "$tmp/before.png"
for x in "${card_x[@]}"; do
    colours=$(patch_colours "$tmp/before.png" $((ox + x)) $((oy + card_y)))
    [ "$colours" != "#08080B" ] || fail "a card looks filled before any run"
done

# GENERATE TOP 3 spans 340..660 x 94..146 in the editor.
xdotool mousemove $((ox + 500)) $((oy + 120)) click 1

summary=""
for _ in $(seq 200); do
    summary=$(find "$tmp/home/halvix_exports" -mindepth 2 -maxdepth 2 -name progressions.json 2>/dev/null | head -n 1)
    [ -n "$summary" ] && break
    sleep 0.1
done
[ -n "$summary" ] || fail "no run folder with progressions.json appeared"
grep -q '"total_generations": 1' "$tmp/home/halvix_exports/.halvix_state.json" \
    || fail "the state file does not count the run: $(cat "$tmp/home/halvix_exports/.halvix_state.json")"

# Let the cards fade in (about 0.43 s), then look at them.
sleep 1.5
import -window root "$tmp/after.png"
for i in 0 1 2; do
    colours=$(patch_colours "$tmp/after.png" $((ox + card_x[i])) $((oy + card_y)))
    [ "$colours" = "#08080B" ] || fail "card $((i + 1)) is not filled: $colours"
done

if [ -n "${HALVIX_E2E_SCREENSHOT:-}" ]; then cp "$tmp/after.png" "$HALVIX_E2E_SCREENSHOT"; fi
kill -0 "$app_pid" 2>/dev/null || fail "the app exited"
echo "run filed in $(basename "$(dirname "$summary")"); three cards filled"

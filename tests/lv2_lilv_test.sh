#!/usr/bin/env bash
# Asks Debian's LV2 tools (lilv) about the built bundle: it must be listed, and
# described with exactly one stereo audio output, no audio input and no MIDI.
set -euo pipefail
lv2_dir="$(cd "$1" && pwd)"
uri="urn:halvix:plugins:halvix"
export LV2_PATH="$lv2_dir"

listed=$(lv2ls)
echo "lv2ls: $listed"
grep -qxF "$uri" <<<"$listed" || { echo "lv2ls does not list $uri"; exit 1; }

info=$(lv2info "$uri")
echo "$info"

# One record per port: its type lines joined.
ports=$(awk '
    /^\tPort [0-9]+:/ { if (p != "") print p; p = ""; inport = 1; next }
    inport && /Type:|^\t\t +http/ { gsub(/^[ \t]*(Type:)?[ \t]*/, ""); p = p " " $0 }
    END { if (p != "") print p }' <<<"$info")

audio_out=$(grep -c "AudioPort.*OutputPort\|OutputPort.*AudioPort" <<<"$ports" || true)
audio_in=$(grep -c "AudioPort.*InputPort\|InputPort.*AudioPort" <<<"$ports" || true)
echo "audio outputs: $audio_out, audio inputs: $audio_in"
[ "$audio_out" -eq 2 ] || { echo "expected 2 audio output ports (one stereo output)"; exit 1; }
[ "$audio_in" -eq 0 ] || { echo "expected no audio input port"; exit 1; }
if grep -q "midi#MidiEvent" <<<"$info"; then
    echo "the plug-in must not declare MIDI"; exit 1
fi
grep -q "Name: *halvix" <<<"$info" || { echo "lv2info does not name it halvix"; exit 1; }
echo "lilv describes $uri: stereo output, no inputs, no MIDI"

#!/usr/bin/env bash
# Drives halvix-cli as a process, with no display, in a private home folder: output,
# exit codes, the files a run leaves, and usage errors that must not touch anything.
set -u
cli="$1"
tmp=$(mktemp -d)
trap 'rm -rf "$tmp"' EXIT
export HOME="$tmp/home"
unset DISPLAY
mkdir -p "$HOME"
exports="$HOME/halvix_exports"
failures=0

fail() { echo "FAIL: $*"; failures=$((failures + 1)); }

run() { # run <name> <args...>: captures stdout, stderr and the exit code
    local name="$1"; shift
    "$cli" "$@" >"$tmp/$name.out" 2>"$tmp/$name.err"
    echo $? >"$tmp/$name.rc"
}

expect_rc() { [ "$(cat "$tmp/$1.rc")" = "$2" ] || fail "$1: exit code $(cat "$tmp/$1.rc"), expected $2; stderr: $(cat "$tmp/$1.err")"; }

# Usage errors: exit 2, a usage message on stderr, and no export folder.
usage_case=0
while IFS= read -r line; do
    usage_case=$((usage_case + 1))
    eval "set -- $line"
    run "usage$usage_case" "$@"
    expect_rc "usage$usage_case" 2
    grep -q '^usage: halvix-cli generate' "$tmp/usage$usage_case.err" || fail "usage$usage_case ($line): no usage message"
    [ -s "$tmp/usage$usage_case.out" ] && fail "usage$usage_case ($line): wrote to stdout"
    [ -e "$exports" ] && fail "usage$usage_case ($line): created $exports"
done <<'CASES'

frobnicate
generate --bpm fast
generate --bpm 12.5
generate --bpm
generate --key
generate --runs 0
generate --runs two
generate --engine Wobble
generate --key "C minor" --random
generate --loud
engines --verbose
CASES

run help --help
expect_rc help 0
grep -q '^usage: halvix-cli generate' "$tmp/help.out" || fail "--help prints no usage"
[ -e "$exports" ] && fail "--help created $exports"

run engines engines
expect_rc engines 0
[ "$(cut -d' ' -f1 "$tmp/engines.out" | tr '\n' ' ')" = "Zentri Orvell Brisko Tandu " ] || fail "engines: $(cat "$tmp/engines.out")"
grep -Eq '^Zentri major [0-9]+ minor [0-9]+ profiles 1$' "$tmp/engines.out" || fail "engines: Zentri line"
grep -Eq '^Tandu major [0-9]+ minor [0-9]+ profiles [0-9]+$' "$tmp/engines.out" || fail "engines: Tandu line"

# Two Zentri runs with the tempo clamped to 220.
run zentri generate --key "Eb major" --engine zentri --bpm 500 --runs 2
expect_rc zentri 0
[ "$(wc -l <"$tmp/zentri.out")" -eq 4 ] || fail "zentri: expected 4 lines, got: $(cat "$tmp/zentri.out")"
for n in 1 2; do
    status=$(sed -n "$((2 * n - 1))p" "$tmp/zentri.out")
    folder=$(sed -n "$((2 * n))p" "$tmp/zentri.out")
    case "$status" in
        "Done | Key Eb major | Engine Zentri | Bounce Classic Locked (1/1) | Pool "*" | Melody Off | Complexity 58 | Tension 52 | Vibe zentri | Total runs $n") ;;
        *) fail "zentri run $n status: $status" ;;
    esac
    case "$folder" in
        "$exports"/*_eb_major) ;;
        *) fail "zentri run $n folder: $folder" ;;
    esac
    [ -f "$folder/progressions.json" ] || fail "zentri run $n: no progressions.json"
    [ "$(ls "$folder" | grep -c '^rank_[123]_.*\.mid$')" -eq 3 ] || fail "zentri run $n: rank files: $(ls "$folder")"
    [ "$(ls "$exports/all_midis" | grep -c "^$(basename "$folder")_eb_major_rank_")" -eq 3 ] || fail "zentri run $n: archive"
done
[ -s "$tmp/zentri.err" ] && fail "zentri: stderr: $(cat "$tmp/zentri.err")"
grep -qx '{"total_generations": 2, "active_engine_model": "Zentri", "theme_accent_index": 0}' "$exports/.halvix_state.json" \
    || fail "state after zentri: $(cat "$exports/.halvix_state.json")"
cmp -s "$exports/halvix_latest.mid" "$(ls "$folder"/rank_1_*.mid)" || fail "halvix_latest.mid is not the last run's rank 1"

tempo_of() {
    /usr/bin/python3 -c 'import mido, sys
m = mido.MidiFile(sys.argv[1])
print(round(next(mido.tempo2bpm(x.tempo) for t in m.tracks for x in t if x.type == "set_tempo")))' "$1"
}
[ "$(tempo_of "$(ls "$folder"/rank_1_*.mid)")" = 220 ] || fail "tempo not clamped to 220"

# The default run: C# minor with the active engine (now Zentri), tempo clamped up to 50.
run default generate --bpm 3
expect_rc default 0
folder=$(sed -n 2p "$tmp/default.out")
grep -q '^Done | Key C# minor | Engine Zentri | .* | Vibe Emotional | Total runs 3$' "$tmp/default.out" || fail "default: $(cat "$tmp/default.out")"
case "$folder" in "$exports"/*_c_minor) ;; *) fail "default folder: $folder" ;; esac
[ "$(tempo_of "$(ls "$folder"/rank_1_*.mid)")" = 50 ] || fail "tempo not clamped to 50"

run random generate --random --engine Tandu
expect_rc random 0
grep -Eq '^Done \| Key [A-G][#b]? (major|minor) \| Engine Tandu \| Bounce .* \| Melody On [0-9]+ notes \| .* \| Vibe Tandu \| Total runs 4$' "$tmp/random.out" \
    || fail "random: $(cat "$tmp/random.out")"

# A run the engine refuses: the message on stderr, exit 1, nothing counted.
run badkey generate --key "H major"
expect_rc badkey 1
grep -qx 'halvix-cli: Unsupported key: H' "$tmp/badkey.err" || fail "badkey stderr: $(cat "$tmp/badkey.err")"
[ -s "$tmp/badkey.out" ] && fail "badkey wrote to stdout"
grep -q '"total_generations": 4,' "$exports/.halvix_state.json" || fail "badkey changed the counter"

if [ "$failures" -ne 0 ]; then
    echo "$failures check(s) failed"
    exit 1
fi
echo "halvix-cli behaves"

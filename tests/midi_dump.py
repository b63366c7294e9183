#!/usr/bin/python3
"""Describes a Standard MIDI File as JSON, read with mido (independent of JUCE).

Channels are reported 1-based, times in absolute ticks. Notes are paired first-in,
first-out per track, channel and note number; a note-on with velocity 0 also ends a note.
"hanging" counts note-ons that never end, "stray_offs" note-offs with nothing to end.
"""
import json
import sys

try:
    import mido
except ImportError:
    print("mido is not installed for " + sys.executable, file=sys.stderr)
    sys.exit(3)


def describe(path):
    midi = mido.MidiFile(path)
    result = {
        "format": midi.type,
        "ticks_per_beat": midi.ticks_per_beat,
        "tracks": [],
        "tempos": [],
        "time_signatures": [],
        "programs": [],
        "notes": [],
        "hanging": 0,
        "stray_offs": 0,
    }

    for index, track in enumerate(midi.tracks):
        tick = 0
        open_notes = {}
        summary = {"events": len(track), "notes": 0, "end_tick": 0}
        for message in track:
            tick += message.time
            if message.type == "set_tempo":
                result["tempos"].append({"track": index, "tick": tick, "micros": message.tempo})
            elif message.type == "time_signature":
                result["time_signatures"].append({
                    "track": index, "tick": tick,
                    "numerator": message.numerator, "denominator": message.denominator,
                    "clocks_per_click": message.clocks_per_click,
                    "notated_32nds": message.notated_32nd_notes_per_beat,
                })
            elif message.type == "program_change":
                result["programs"].append({"track": index, "tick": tick, "channel": message.channel + 1,
                                           "program": message.program})
            elif message.type == "note_on" and message.velocity > 0:
                open_notes.setdefault((message.channel, message.note), []).append((tick, message.velocity))
            elif message.type in ("note_off", "note_on"):
                waiting = open_notes.get((message.channel, message.note))
                if not waiting:
                    result["stray_offs"] += 1
                    continue
                on, velocity = waiting.pop(0)
                off_velocity = message.velocity if message.type == "note_off" else 0
                result["notes"].append({
                    "track": index, "channel": message.channel + 1, "note": message.note,
                    "on": on, "off": tick, "velocity": velocity, "off_velocity": off_velocity,
                })
                summary["notes"] += 1
        summary["end_tick"] = tick
        result["hanging"] += sum(len(v) for v in open_notes.values())
        result["tracks"].append(summary)

    result["notes"].sort(key=lambda n: (n["on"], n["channel"], n["note"]))
    return result


if __name__ == "__main__":
    if len(sys.argv) != 2:
        print("usage: midi_dump.py FILE.mid", file=sys.stderr)
        sys.exit(2)
    try:
        print(json.dumps(describe(sys.argv[1])))
    except Exception as error:  # a broken file is a finding, not a crash
        print("cannot read " + sys.argv[1] + ": " + str(error), file=sys.stderr)
        sys.exit(1)

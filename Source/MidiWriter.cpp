#include "GenerationEngine.h"

#include <algorithm>
#include <cmath>
#include <deque>
#include <map>

namespace halvix
{

namespace
{
    constexpr int kMaxTempoMicros = 0xffffff; // the tempo event holds three bytes

    // Nearest tick, ties to even; absurd beat values are held to a range an int can carry.
    int beatsToTicks (double beats)
    {
        const auto ticks = beats * kTicksPerBeat;
        if (! std::isfinite (ticks))
            return 0;
        return static_cast<int> (std::nearbyint (juce::jlimit (-1.0e7, 1.0e7, ticks)));
    }

    void addNote (juce::MidiMessageSequence& track, int channel, int note, int velocity, int onTick, int offTick)
    {
        const auto number = note & 0x7f;
        const auto level = static_cast<juce::uint8> (juce::jlimit (1, 127, velocity));
        track.addEvent (juce::MidiMessage::noteOn (channel, number, level), std::max (onTick, 0));
        track.addEvent (juce::MidiMessage::noteOff (channel, number, static_cast<juce::uint8> (0)),
                        std::max (offTick, 0));
    }

    /** A pitch that starts again while it still sounds (a strum reaching into the next
        chord, a repeated melody note) would be cut short by the earlier note's note-off;
        end the earlier note where the new one starts instead, then pair the events. */
    void separateRepeatedNotes (juce::MidiMessageSequence& track)
    {
        struct Note
        {
            juce::MidiMessage on;
            double onTick = 0.0;
            double offTick = 0.0;
        };

        track.sort();
        std::map<std::pair<int, int>, std::vector<Note>> byPitch;
        std::map<std::pair<int, int>, std::deque<size_t>> sounding;
        juce::MidiMessageSequence others;

        for (const auto* holder : track)
        {
            const auto& m = holder->message;
            const auto key = std::make_pair (m.getChannel(), m.getNoteNumber());

            if (m.isNoteOn())
            {
                auto& notes = byPitch[key];
                sounding[key].push_back (notes.size());
                notes.push_back ({ m, m.getTimeStamp(), m.getTimeStamp() });
            }
            else if (m.isNoteOff())
            {
                auto& open = sounding[key];
                if (! open.empty())
                {
                    byPitch[key][open.front()].offTick = m.getTimeStamp();
                    open.pop_front();
                }
            }
            else
            {
                others.addEvent (m);
            }
        }

        juce::MidiMessageSequence offs, ons;
        for (auto& [key, notes] : byPitch)
        {
            std::stable_sort (notes.begin(), notes.end(), [] (const Note& a, const Note& b)
                              { return a.onTick < b.onTick; });

            for (size_t i = 0; i < notes.size(); ++i)
            {
                auto offTick = notes[i].offTick;
                if (i + 1 < notes.size())
                {
                    if (notes[i + 1].onTick <= notes[i].onTick)
                        continue; // two identical onsets: one note is enough
                    offTick = std::min (offTick, notes[i + 1].onTick);
                }

                ons.addEvent (notes[i].on, 0.0);
                offs.addEvent (juce::MidiMessage::noteOff (key.first, key.second, static_cast<juce::uint8> (0)), offTick);
            }
        }

        // At equal ticks a note-off goes before the note-on that restarts the pitch.
        track.clear();
        track.addSequence (others, 0.0);
        track.addSequence (offs, 0.0);
        track.addSequence (ons, 0.0);
        track.updateMatchedPairs();
    }

    bool isTanduEngine (const String& engineId)
    {
        return engineId.trim().equalsIgnoreCase ("Tandu");
    }
} // namespace

void addFixedRhythm (juce::MidiMessageSequence& track,
                     const std::vector<ChordRender>& renders,
                     int templateIndex)
{
    static constexpr int strums[7] = { -8, -4, -1, 2, 5, 8, 11 };

    for (size_t c = 0; c < renders.size(); ++c)
    {
        const auto& render = renders[c];
        if (render.midiNotes.empty())
            continue;

        // Chords inside a bar land slightly early, which reads as a played rather than gridded part.
        const bool onBarLine = std::fmod (render.startBeat, 4.0) == 0.0;
        const int start = beatsToTicks (render.startBeat) - (onBarLine ? 0 : 14);
        const int end = start + beatsToTicks (render.durationBeats) - 18;

        const int range = std::max (render.velocityMax - render.velocityMin, 0) + 1;
        const auto chordIndex = static_cast<long long> (c);

        for (size_t j = 0; j < render.midiNotes.size(); ++j)
        {
            const int strum = strums[(c + j) % 7];
            const int on = std::max (start + strum, 0);
            const int off = std::max (end + strum / 2, on + 30);

            auto spread = (static_cast<long long> (templateIndex) * 11 + 9 * chordIndex + 7 * static_cast<long long> (j)) % range;
            if (spread < 0)
                spread += range;

            const auto velocity = render.velocityMin + static_cast<int> (spread);
            addNote (track, 1, render.midiNotes[j], velocity, on, off);
        }
    }
}

String midiFileName (const KeySpec& key,
                     const GenerationOptions& options,
                     int rank,
                     int templateIndex,
                     const BounceProfile* profile)
{
    const auto slug = keySlug (key);

    if (profile == nullptr)
        return slug + "_zentri_rank_" + String (rank) + "_" + String (templateIndex + 1).paddedLeft ('0', 3) + ".mid";

    const int width = isTanduEngine (options.engineId) ? 4 : 3;
    return slug + "_" + options.engineId.toLowerCase() + "_b" + String (profile->id).paddedLeft ('0', width)
           + "_rank_" + String (rank) + ".mid";
}

bool writeVariationMidi (const KeySpec& key,
                         const ScalePitchClasses& scale,
                         const GenerationOptions& options,
                         int bpm,
                         const File& exportDir,
                         int rank,
                         const std::vector<ChordRender>& renders,
                         int templateIndex,
                         const BounceProfile* profile,
                         File& writtenFile,
                         int& melodyNoteCount,
                         String& error)
{
    melodyNoteCount = 0;

    const int tempo = std::min (60000000 / std::max (bpm, 1), kMaxTempoMicros);

    juce::MidiMessageSequence frame;
    frame.addEvent (juce::MidiMessage::tempoMetaEvent (tempo), 0.0);
    frame.addEvent (juce::MidiMessage::timeSignatureMetaEvent (4, 4), 0.0);
    frame.addEvent (juce::MidiMessage::programChange (1, 4), 0.0);

    juce::MidiMessageSequence notes;
    if (profile == nullptr)
        addFixedRhythm (notes, renders, templateIndex);
    else
        melodyNoteCount = addBounceRhythm (notes, renders, scale, *profile, options);
    separateRepeatedNotes (notes);

    juce::MidiFile midi;
    midi.setTicksPerQuarterNote (kTicksPerBeat);
    midi.addTrack (frame);
    midi.addTrack (notes);

    if (! exportDir.isDirectory())
        exportDir.createDirectory();

    const auto file = exportDir.getChildFile (midiFileName (key, options, rank, templateIndex, profile));
    const auto path = file.getFullPathName();

    bool written = false;
    juce::int64 expectedSize = 0;
    {
        juce::FileOutputStream stream (file, 16384);

        // The stream opens an existing file at its end; start over so a rerun never leaves a corrupt file.
        const bool stale = ! stream.failedToOpen() && stream.getPosition() > 0;
        if (stream.failedToOpen() || (stale && (! stream.setPosition (0) || stream.truncate().failed())))
        {
            error = "Failed to open MIDI file for writing: " + path;
            return false;
        }

        written = midi.writeTo (stream, 1);
        stream.flush();
        written = written && ! stream.getStatus().failed();
        expectedSize = stream.getPosition();
    }

    // A short write (a disk that fills up) leaves the stream's status clean; the size tells.
    written = written && file.getSize() == expectedSize;

    if (! written)
    {
        // A cut-off file (a full disk) would read as a corrupt or shortened progression.
        file.deleteFile();
        error = "Failed to write MIDI data: " + path;
        return false;
    }

    writtenFile = file;
    return true;
}

} // namespace halvix

#include "GenerationEngine.h"

#include <algorithm>
#include <cmath>
#include <cstdlib>

namespace halvix
{

namespace
{
    constexpr int kEighth = 240;
    constexpr int kMelodyLow = 65;
    constexpr int kMelodyHigh = 98;

    // Nearest eighth, halves upward, never before the start of the file.
    int snap (int ticks)
    {
        return std::max ((ticks + kEighth / 2) / kEighth * kEighth, 0);
    }

    int beatsToTicks (double beats)
    {
        const auto ticks = beats * kTicksPerBeat;
        if (! std::isfinite (ticks))
            return 0;
        return static_cast<int> (std::nearbyint (juce::jlimit (-1.0e7, 1.0e7, ticks)));
    }

    int clampVelocity (int velocity)
    {
        return juce::jlimit (1, 127, velocity);
    }

    void addNote (juce::MidiMessageSequence& track, int channel, int note, int velocity, int onTick, int offTick)
    {
        const auto number = note & 0x7f;
        track.addEvent (juce::MidiMessage::noteOn (channel, number, static_cast<juce::uint8> (clampVelocity (velocity))),
                        std::max (onTick, 0));
        track.addEvent (juce::MidiMessage::noteOff (channel, number, static_cast<juce::uint8> (0)),
                        std::max (offTick, 0));
    }

    int noteOff (int on, int proposed, int end)
    {
        return std::max (std::min (end, snap (proposed)), on + kEighth);
    }

    void addChordPattern (juce::MidiMessageSequence& track, const ChordRender& render, int s, int start, int end, int boost)
    {
        const auto& notes = render.midiNotes;
        const int n = static_cast<int> (notes.size());
        const int span = end - start;

        auto velocity = [&]
        { return clampVelocity (uniformInt (render.velocityMin, render.velocityMax) + boost); };

        switch (uniformInt (0, 4))
        {
            case 0: // clipped block
            {
                const int hold = uniformInt (65, 92);
                const int off = noteOff (s, s + span * hold / 100, end);
                for (auto note : notes)
                    addNote (track, 1, note, velocity(), s, off);
                break;
            }

            case 1: // rising arpeggio
            {
                const int step = std::max (span / (n + 1), 1);
                const int length = std::max (step * 80 / 100, kEighth);
                for (int j = 0; j < n; ++j)
                {
                    const int on = snap (s + step * j);
                    if (on >= end)
                        break;
                    addNote (track, 1, notes[static_cast<size_t> (j)], velocity(), on, noteOff (on, on + length, end));
                }
                break;
            }

            case 2: // bass, then a stab of the upper notes
            {
                addNote (track, 1, notes.front(), velocity(), s, noteOff (s, s + span * 85 / 100, end));

                if (n >= 2)
                {
                    const int delay = uniformInt (1, 3);
                    int t = snap (s + delay * kEighth);
                    if (t >= end)
                        t = s;

                    const int off = noteOff (t, t + span / 2, end);
                    for (int j = 1; j < n; ++j)
                    {
                        const int v = uniformInt (render.velocityMin - 5, render.velocityMax - 5) + boost;
                        addNote (track, 1, notes[static_cast<size_t> (j)], v, t, off);
                    }
                }
                break;
            }

            case 3: // repeated chord, later hits softer
            {
                const int hits = uniformInt (2, 4);
                const int step = std::max (span / hits, kEighth);
                const int length = std::max (step * 70 / 100, kEighth);
                for (int h = 0; h < hits; ++h)
                {
                    const int on = snap (s + step * h);
                    if (on >= end)
                        break;

                    const int off = noteOff (on, on + length, end);
                    for (auto note : notes)
                    {
                        int v = uniformInt (render.velocityMin, render.velocityMax);
                        if (h >= 1)
                            v = v * 75 / 100;
                        addNote (track, 1, note, v + boost, on, off);
                    }
                }
                break;
            }

            default: // sustained
            {
                const int off = std::max (end - 10, s + kEighth);
                for (auto note : notes)
                    addNote (track, 1, note, velocity(), s, off);
                break;
            }
        }
    }

    int addMelody (juce::MidiMessageSequence& track,
                   const std::vector<ChordRender>& renders,
                   const ScalePitchClasses& scale,
                   const GenerationOptions& options)
    {
        const int cx = juce::jlimit (0, 100, options.complexity);
        const int tx = juce::jlimit (0, 100, options.tension);

        int maxPerChord = uniformInt (1, 3);
        if (cx >= 55)
            maxPerChord = uniformInt (2, 4);

        const int baseVelocity = 52 + tx / 8 + cx / 5;

        auto ascending = scale;
        std::sort (ascending.begin(), ascending.end());

        int candidates[7 * 12];
        int candidateCount = 0;
        for (auto pc : ascending)
            for (int octave = -2; octave <= 9; ++octave)
                if (const int m = pc + 12 * octave; m >= kMelodyLow && m <= kMelodyHigh)
                    candidates[candidateCount++] = m;

        bool hasPrevious = false;
        int previous = 0;
        int count = 0;

        for (const auto& render : renders)
        {
            if (render.midiNotes.empty())
                continue;

            const int cs = snap (beatsToTicks (render.startBeat));
            const int ce = snap (beatsToTicks (render.startBeat + render.durationBeats));
            if (ce - cs < kEighth)
                continue;

            int k = std::min ((ce - cs) / kEighth, maxPerChord);
            if (render.durationBeats <= 2.0)
                k = std::min (k, 2);
            if (render.durationBeats <= 1.0)
                k = 1;

            const int top = render.midiNotes.back();
            bool inChord[12] = {};
            for (auto note : render.midiNotes)
                inChord[((note % 12) + 12) % 12] = true;

            for (int i = 0; i < k; ++i)
            {
                const int onset = cs + kEighth * i;
                if (onset >= ce - kEighth)
                    break;

                const int r = uniformInt (0, 12);
                int target = top + r;
                if (hasPrevious)
                {
                    target = previous + (uniformInt (0, 8) - 4);
                    if (randomBool (0.1))
                    {
                        if (randomBool (0.5))
                            target += uniformInt (5, 9);
                        else
                            target -= uniformInt (5, 9);
                    }
                }
                target = juce::jlimit (kMelodyLow, kMelodyHigh, target);

                int best = candidates[0];
                double bestCost = 0.0;
                for (int c = 0; c < candidateCount; ++c)
                {
                    const int m = candidates[c];
                    double cost = 0.6 * std::abs (m - target) + (inChord[m % 12] ? -3.0 : 0.8);
                    if (hasPrevious)
                        cost += std::max (std::abs (m - previous) - 9, 0);
                    cost += 3.5 * uniformReal();

                    if (c == 0 || cost < bestCost)
                    {
                        best = m;
                        bestCost = cost;
                    }
                }
                const int note = juce::jlimit (kMelodyLow, kMelodyHigh, best);

                const int length = (globalRng()() & 1u) != 0 ? 480 : 240;
                const int off = std::max (std::min (onset + length, ce), onset + kEighth);

                const int spread = uniformInt (0, 37);
                const int velocity = std::max (std::min (spread + baseVelocity + uniformInt (0, 12), 120), 44);

                addNote (track, 2, note, velocity, onset, off);
                previous = note;
                hasPrevious = true;
                ++count;
            }
        }

        return count;
    }
} // namespace

int addBounceRhythm (juce::MidiMessageSequence& track,
                     const std::vector<ChordRender>& renders,
                     const ScalePitchClasses& scale,
                     const BounceProfile& profile,
                     const GenerationOptions& options)
{
    for (size_t c = 0; c < renders.size(); ++c)
    {
        const auto& render = renders[c];
        const int start = snap (beatsToTicks (render.startBeat));
        const int end = snap (beatsToTicks (render.startBeat + render.durationBeats));

        if (end - start <= 0 || render.midiNotes.empty())
            continue;

        const int shifted = snap (start + profile.offsets[c % profile.offsets.size()]);
        addChordPattern (track, render, shifted, start, end, profile.velocityBoost);
    }

    if (! options.melody || renders.empty())
        return 0;

    return addMelody (track, renders, scale, options);
}

} // namespace halvix

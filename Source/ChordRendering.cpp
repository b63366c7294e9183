#include "GenerationEngine.h"

#include <algorithm>
#include <cstdlib>

namespace halvix
{

namespace
{
    constexpr int kBassLow = 34;
    constexpr int kBassHigh = 52;
    constexpr int kTopLow = 64;
    constexpr int kTopHigh = 95;

    int floorDiv12 (int value)
    {
        return value >= 0 ? value / 12 : -((11 - value) / 12);
    }

    int positiveModulo (int value, int divisor)
    {
        return ((value % divisor) + divisor) % divisor;
    }

    // The scale step of a degree (1 -> 0, 8 -> 0, 0 -> 6), for any int without overflow.
    size_t degreeIndex (int degree)
    {
        return static_cast<size_t> (((degree % 7) + 6) % 7);
    }

    bool contains (const std::vector<int>& notes, int note)
    {
        return std::find (notes.begin(), notes.end(), note) != notes.end();
    }

    void insertSorted (std::vector<int>& notes, int note)
    {
        notes.insert (std::upper_bound (notes.begin(), notes.end(), note), note);
    }

    // Every chord name a known quality can take, so voicing a large table shares strings
    // instead of building one per chord.
    struct QualityNames
    {
        std::array<String, 24> names; // flat spellings 0-11, sharp spellings 12-23
        int velocityMin = 70;
        int velocityMax = 92;
        size_t slot = 0;
        bool fixedTones = true; // false for words whose tones include a random draw
    };

    const std::unordered_map<std::string, QualityNames>& qualityNames()
    {
        static const auto table = []
        {
            std::unordered_map<std::string, QualityNames> built;
            for (const auto& [quality, meta] : chordMeta)
            {
                auto& entry = built[quality];
                for (int pc = 0; pc < 12; ++pc)
                {
                    entry.names[static_cast<size_t> (pc)] = pitchClassName (pc, false) + meta.label;
                    entry.names[static_cast<size_t> (pc + 12)] = pitchClassName (pc, true) + meta.label;
                }
                entry.velocityMin = meta.velocityMin;
                entry.velocityMax = meta.velocityMax;
                entry.slot = built.size() - 1;
                entry.fixedTones = quality != "triad";
            }
            return built;
        }();
        return table;
    }

    // Tone lists of the known words for one key, so a large table asks the vocabulary once per
    // word and degree. Words that draw from the generator are always asked, keeping the draws.
    const std::vector<int>& chordTones (const ScalePitchClasses& scale, const ChordPlan& plan, const QualityNames* known, std::vector<int>& scratch)
    {
        if (known == nullptr || ! known->fixedTones)
        {
            scratch = chordPitchClasses (scale, plan.degree, plan.quality);
            return scratch;
        }

        struct Cache
        {
            ScalePitchClasses scale { -1, -1, -1, -1, -1, -1, -1 };
            std::vector<std::array<std::vector<int>, 7>> tones;
            std::vector<std::array<bool, 7>> filled;
        };
        thread_local Cache cache;

        if (cache.scale != scale || cache.filled.size() != qualityNames().size())
        {
            cache.scale = scale;
            cache.tones.assign (qualityNames().size(), {});
            cache.filled.assign (qualityNames().size(), {});
        }

        // Only the degree's place in the scale matters: 8 voices like 1.
        const auto degree = degreeIndex (plan.degree);
        auto& tones = cache.tones[known->slot][degree];
        if (! cache.filled[known->slot][degree])
        {
            tones = chordPitchClasses (scale, plan.degree, plan.quality);
            cache.filled[known->slot][degree] = true;
        }
        return tones;
    }

    enum class Role
    {
        lift,
        resolve,
        movement,
        other
    };

    Role roleOf (const String& function)
    {
        if (function == "lift")
            return Role::lift;
        if (function == "resolve")
            return Role::resolve;
        if (function == "movement")
            return Role::movement;
        return Role::other;
    }

    int topTargetStep (Role role)
    {
        switch (role)
        {
            case Role::lift:
                return uniformInt (1, 5);
            case Role::resolve:
                return uniformInt (-4, -1);
            case Role::movement:
                return uniformInt (-3, 3);
            case Role::other:
                break;
        }

        static constexpr int steps[] = { -3, -2, -1, 1, 2, 3 };
        return steps[uniformInt (0, 5)];
    }

    // Fills the gaps a five-voice layout leaves, then opens up voicings narrower than two octaves.
    void completeAndSpread (std::vector<int>& voicing, const std::vector<int>& tones, int bass, int third, int top)
    {
        if (tones.size() > 2 && voicing.size() <= 6)
        {
            bool sounding[12] = {};
            for (auto note : voicing)
                sounding[positiveModulo (note, 12)] = true;

            int added = 0;
            for (auto pc : tones)
            {
                if (sounding[pc])
                    continue;
                if (added == 2 || voicing.size() > 6)
                    break;

                const auto note = nearestNote (pc, (top + third) / 2, 55, 85);
                if (contains (voicing, note))
                    continue;

                insertSorted (voicing, note);
                ++added;
            }
        }

        if (voicing.size() < 4)
        {
            const auto up = voicing.front() + 12;
            bool settled = false;

            if (up < top && ! contains (voicing, up))
            {
                insertSorted (voicing, up);
                settled = voicing.size() > 3;
            }

            if (! settled)
            {
                const auto down = voicing.back() - 12;
                if (down > bass && ! contains (voicing, down))
                    insertSorted (voicing, down);
            }
        }

        if (voicing.size() >= 2 && voicing.back() - voicing.front() <= 23)
        {
            if (voicing.back() <= 84)
                voicing.back() += 12;
            else if (voicing.front() > 39)
                voicing.front() -= 12;
        }
    }
} // namespace

int nearestNote (int pc, int target, int lowBound, int highBound)
{
    const int low = std::min (lowBound, highBound);
    const int high = std::max (lowBound, highBound);

    // Octaves k = -2 .. 10 of the pitch class that lie inside the register.
    const int lowest = std::max (-floorDiv12 (pc - low), -2);
    const int highest = std::min (floorDiv12 (high - pc), 10);

    if (lowest <= highest)
    {
        // Distance falls then rises with k, so the best octave sits just below or above the target.
        const int below = pc + 12 * juce::jlimit (lowest, highest, floorDiv12 (target - pc));
        const int above = pc + 12 * juce::jlimit (lowest, highest, floorDiv12 (target - pc) + 1);
        return std::abs (above - target) < std::abs (below - target) ? above : below;
    }

    const int above = pc + 12 * ((low - pc + 11) / 12);
    const int below = pc + 12 * ((high - pc) / 12);
    return std::abs (above - target) < std::abs (below - target) ? above : below;
}

std::vector<double> planStartBeats (const std::vector<ChordPlan>& plans)
{
    std::vector<double> starts;
    starts.reserve (plans.size());

    double filled[4] = {};
    for (const auto& plan : plans)
    {
        const int bar = juce::jlimit (1, 4, plan.bar);
        starts.push_back ((bar - 1) * 4.0 + filled[bar - 1]);
        filled[bar - 1] += plan.durationBeats;
    }

    return starts;
}

std::vector<ChordRender> renderTemplate (const KeySpec& key,
                                         const ScalePitchClasses& scale,
                                         const std::vector<ChordPlan>& plans)
{
    std::vector<ChordRender> renders;
    renders.reserve (plans.size());

    double filled[4] = {}; // start beats, accumulated per bar as in planStartBeats

    bool hasPrevious = false;
    int previousLow = 0;
    int previousHigh = 0;

    std::vector<int> rotated, scratchTones;
    rotated.reserve (8);

    for (size_t p = 0; p < plans.size(); ++p)
    {
        const auto& plan = plans[p];
        const auto found = qualityNames().find (plan.quality.toStdString());
        const auto* known = found != qualityNames().end() ? &found->second : nullptr;
        const auto& tones = chordTones (scale, plan, known, scratchTones);
        const int n = static_cast<int> (tones.size());
        const int root = scale[degreeIndex (plan.degree)];

        ChordRender render;

        if (n > 0)
        {
            const int shift = positiveModulo (plan.inversion, n);
            rotated.assign (tones.begin() + shift, tones.end());
            rotated.insert (rotated.end(), tones.begin(), tones.begin() + shift);

            const auto role = roleOf (plan.function);

            const int bassTarget = hasPrevious ? previousLow + (role == Role::lift ? 1 : (role == Role::resolve ? -2 : 0)) : 43;
            const int bass = nearestNote (rotated.front(), bassTarget, kBassLow, kBassHigh);

            const int topTarget = hasPrevious ? previousHigh + topTargetStep (role)
                                              : 72 + uniformInt (0, 12);
            const int top = nearestNote (rotated.back(), topTarget, kTopLow, kTopHigh);

            // Inner tones: everything above the bass tone (the lone tone of a one-note chord).
            const int innerStart = n == 1 ? 0 : 1;
            const int innerCount = n - innerStart;
            auto inner = [&] (int i)
            { return rotated[static_cast<size_t> (innerStart + i % innerCount)]; };

            const int second = nearestNote (inner (0), (bass + top) / 2 - 5, std::max (bass, 41) + 5, 66);
            const int third = nearestNote (innerCount > 1 ? inner (1) : inner (0),
                                           (top + second) / 2,
                                           std::max (second + 3, 53),
                                           76);
            const int fourthLow = std::max (second + 3, 48);
            const int limit = fourthLow + 2 < third ? third - 2 : third + 10;
            const int fourth = nearestNote (inner (2), (second + third) / 2, fourthLow, std::min (limit, 72));

            // Five voices: an insertion sort beats the general sort at this size.
            int voices[5] = { bass, second, third, fourth, top };
            for (int i = 1; i < 5; ++i)
                for (int j = i; j > 0 && voices[j - 1] > voices[j]; --j)
                    std::swap (voices[j - 1], voices[j]);

            auto& voicing = render.midiNotes;
            voicing.reserve (8);
            for (auto note : voices)
                if (voicing.empty() || voicing.back() != note)
                    voicing.push_back (note);

            completeAndSpread (voicing, tones, bass, third, top);

            previousLow = voicing.front();
            previousHigh = voicing.back();
            hasPrevious = true;
        }

        const int raise = static_cast<int> (p % 3) * 2;
        const int low = (known != nullptr ? known->velocityMin : 70) + raise;
        const int high = (known != nullptr ? known->velocityMax : 92) + raise;

        render.name = known != nullptr ? known->names[static_cast<size_t> ((key.useSharps ? 12 : 0) + root)]
                                       : pitchClassName (root, key.useSharps) + plan.quality;
        render.velocityMin = std::min (low, 126);
        render.velocityMax = std::max (std::min (high, 127), render.velocityMin);
        render.durationBeats = plan.durationBeats;
        const int bar = juce::jlimit (1, 4, plan.bar);
        render.startBeat = (bar - 1) * 4.0 + filled[bar - 1];
        filled[bar - 1] += plan.durationBeats;
        render.bar = plan.bar;

        renders.push_back (std::move (render));
    }

    return renders;
}

} // namespace halvix

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

    int positiveModulo (int value, int divisor)
    {
        return ((value % divisor) + divisor) % divisor;
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
            }
            return built;
        }();
        return table;
    }

    int topTargetStep (const String& function)
    {
        if (function == "lift")
            return uniformInt (1, 5);
        if (function == "resolve")
            return uniformInt (-4, -1);
        if (function == "movement")
            return uniformInt (-3, 3);

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

    bool found = false;
    int best = 0;
    int bestDistance = 0;

    // Candidates ascend, so the strict comparison keeps the lower one on a tie.
    for (int k = -2; k <= 10; ++k)
    {
        const int candidate = pc + 12 * k;
        if (candidate < low || candidate > high)
            continue;

        const int distance = std::abs (candidate - target);
        if (! found || distance < bestDistance)
        {
            found = true;
            best = candidate;
            bestDistance = distance;
        }
    }

    if (found)
        return best;

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

    const auto starts = planStartBeats (plans);

    bool hasPrevious = false;
    int previousLow = 0;
    int previousHigh = 0;

    std::vector<int> rotated;
    rotated.reserve (8);

    for (size_t p = 0; p < plans.size(); ++p)
    {
        const auto& plan = plans[p];
        const auto tones = chordPitchClasses (scale, plan.degree, plan.quality);
        const int n = static_cast<int> (tones.size());
        const int root = scale[static_cast<size_t> (positiveModulo (plan.degree - 1, 7))];

        ChordRender render;

        if (n > 0)
        {
            const int shift = positiveModulo (plan.inversion, n);
            rotated.assign (tones.begin() + shift, tones.end());
            rotated.insert (rotated.end(), tones.begin(), tones.begin() + shift);

            const bool lift = plan.function == "lift";
            const bool resolve = plan.function == "resolve";

            const int bassTarget = hasPrevious ? previousLow + (lift ? 1 : (resolve ? -2 : 0)) : 43;
            const int bass = nearestNote (rotated.front(), bassTarget, kBassLow, kBassHigh);

            const int topTarget = hasPrevious ? previousHigh + topTargetStep (plan.function)
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

            auto& voicing = render.midiNotes;
            voicing.reserve (8);
            voicing = { bass, second, third, fourth, top };
            std::sort (voicing.begin(), voicing.end());
            voicing.erase (std::unique (voicing.begin(), voicing.end()), voicing.end());

            completeAndSpread (voicing, tones, bass, third, top);

            previousLow = voicing.front();
            previousHigh = voicing.back();
            hasPrevious = true;
        }

        const auto found = qualityNames().find (plan.quality.toStdString());
        const bool known = found != qualityNames().end();
        const int raise = static_cast<int> (p % 3) * 2;
        const int low = (known ? found->second.velocityMin : 70) + raise;
        const int high = (known ? found->second.velocityMax : 92) + raise;

        render.name = known ? found->second.names[static_cast<size_t> ((key.useSharps ? 12 : 0) + root)]
                            : pitchClassName (root, key.useSharps) + plan.quality;
        render.velocityMin = std::min (low, 126);
        render.velocityMax = std::max (std::min (high, 127), render.velocityMin);
        render.durationBeats = plan.durationBeats;
        render.startBeat = starts[p];
        render.bar = plan.bar;

        renders.push_back (std::move (render));
    }

    return renders;
}

} // namespace halvix

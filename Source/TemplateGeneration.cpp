#include "GenerationEngine.h"

#include <algorithm>
#include <cmath>
#include <cstdlib>
#include <cstring>
#include <limits>
#include <numeric>

namespace halvix
{

namespace
{
    // The table outlives the run, so its names and plans are referred to rather than copied.
    struct TempVariation
    {
        const String* templateName = nullptr;
        std::vector<ChordRender> renders;
        const std::vector<ChordPlan>* plans = nullptr;
        double emotionalScore = 0.0;
        int templateIndex = 0;
    };

    constexpr int kNoDegree = std::numeric_limits<int>::min();

    int firstDegreeOf (const TempVariation& v)
    {
        return v.plans->empty() ? kNoDegree : v.plans->front().degree;
    }

    String firstChordNameOf (const TempVariation& v)
    {
        return v.renders.empty() ? String() : v.renders.front().name;
    }

    int lotteryPoolLimit (const String& engineId)
    {
        const auto id = engineId.trim();
        if (id.equalsIgnoreCase ("Tandu"))
            return 1536;
        if (id.equalsIgnoreCase ("Brisko"))
            return 640;
        return 320;
    }

    double meanTopOfBar (const std::vector<ChordRender>& renders, int bar, bool& any)
    {
        double sum = 0.0;
        int count = 0;
        for (const auto& render : renders)
        {
            if (render.bar == bar && ! render.midiNotes.empty())
            {
                sum += render.midiNotes.back();
                ++count;
            }
        }
        any = count > 0;
        return any ? sum / count : 0.0;
    }

    // Ranking positions picked by weighted lottery, favouring variety in how results begin.
    std::vector<int> drawWeighted (const std::vector<TempVariation>& ranked, int count, const String& engineId, bool minorKey)
    {
        const int total = static_cast<int> (ranked.size());
        const int poolSize = std::min (lotteryPoolLimit (engineId), total);
        const double floorScore = ranked[static_cast<size_t> (poolSize - 1)].emotionalScore;

        std::vector<int> candidates (static_cast<size_t> (poolSize));
        std::iota (candidates.begin(), candidates.end(), 0);

        std::vector<int> chosen;
        std::vector<int> chosenDegrees;
        std::vector<String> chosenNames;
        std::vector<double> cumulative;
        cumulative.reserve (candidates.size());

        while (static_cast<int> (chosen.size()) < count && ! candidates.empty())
        {
            cumulative.clear();
            double sum = 0.0;
            for (auto position : candidates)
            {
                const auto& v = ranked[static_cast<size_t> (position)];
                sum += lotteryWeight (v.emotionalScore, floorScore, minorKey, firstDegreeOf (v), firstChordNameOf (v), chosenDegrees, chosenNames, ! chosen.empty());
                cumulative.push_back (sum);
            }

            const double r = uniformReal() * sum;
            auto hit = std::upper_bound (cumulative.begin(), cumulative.end(), r);
            if (hit == cumulative.end())
                --hit;
            const auto slot = static_cast<size_t> (hit - cumulative.begin());

            const int position = candidates[slot];
            const auto& picked = ranked[static_cast<size_t> (position)];
            chosen.push_back (position);
            if (firstDegreeOf (picked) != kNoDegree)
                chosenDegrees.push_back (firstDegreeOf (picked));
            if (! picked.renders.empty())
                chosenNames.push_back (firstChordNameOf (picked));
            candidates.erase (candidates.begin() + static_cast<std::ptrdiff_t> (slot));
        }

        for (int position = 0; static_cast<int> (chosen.size()) < count && position < total; ++position)
            if (std::find (chosen.begin(), chosen.end(), position) == chosen.end())
                chosen.push_back (position);

        return chosen;
    }

    ChordData toChordData (const ChordRender& render, bool useSharps)
    {
        ChordData data;
        data.chordName = render.name;
        for (auto note : render.midiNotes)
            data.midiNotes.add (midiNoteName (note, useSharps));
        data.durationBeats = render.durationBeats;
        data.velocityMin = render.velocityMin;
        data.velocityMax = render.velocityMax;
        data.startBeat = render.startBeat;
        return data;
    }
} // namespace

double emotionalScore (const std::vector<ChordPlan>& plans, const std::vector<ChordRender>& renders)
{
    if (renders.empty())
        return 0.0;

    double leapSum = 0.0;
    int leaps = 0;
    for (size_t k = 1; k < renders.size(); ++k)
    {
        if (renders[k].midiNotes.empty() || renders[k - 1].midiNotes.empty())
            continue;
        leapSum += std::abs (renders[k].midiNotes.back() - renders[k - 1].midiNotes.back());
        ++leaps;
    }
    const double averageLeap = leaps > 0 ? leapSum / leaps : 0.0;

    double colour = 0.0;
    double inversions = 0.0;
    for (const auto& plan : plans)
    {
        // Byte-wise tests on the UTF-8 text: exact for these ASCII words and much cheaper.
        const auto* quality = plan.quality.toRawUTF8();
        if (std::strstr (quality, "add9") != nullptr || std::strcmp (quality, "9") == 0)
            colour += 1.8;
        if (std::strncmp (quality, "sus", 3) == 0)
            colour += 0.8;
        if (plan.inversion >= 1)
            inversions += 0.7;
    }

    bool anyFirst = false;
    bool anyThird = false;
    const double firstBar = meanTopOfBar (renders, 1, anyFirst);
    const double thirdBar = meanTopOfBar (renders, 3, anyThird);
    const double lift = (anyFirst && anyThird) ? 0.35 * std::max (thirdBar - firstBar, 0.0) : 0.0;

    const double ending = (! plans.empty() && plans.back().degree != 1) ? 0.4 : 0.0;

    const double score = std::max (7.0 - averageLeap, 0.0) + inversions + colour + lift + ending;
    return std::nearbyint (score * 1000.0) / 1000.0;
}

double lotteryWeight (double score,
                      double floorScore,
                      bool minorKey,
                      int firstDegree,
                      const String& firstChordName,
                      const std::vector<int>& chosenFirstDegrees,
                      const std::vector<String>& chosenFirstChordNames,
                      bool anyChosen)
{
    double w = std::max (score - floorScore + 0.08, 0.02);

    if (! anyChosen)
    {
        if (firstDegree == 1)
            w *= minorKey ? 0.88 : 0.92;
        else if (firstDegree == 4)
            w *= minorKey ? 1.06 : 1.04;
        else if (firstDegree == 6)
            w *= minorKey ? 1.12 : 1.08;
    }

    if (std::find (chosenFirstDegrees.begin(), chosenFirstDegrees.end(), firstDegree) != chosenFirstDegrees.end())
        w *= 0.34;

    if (firstChordName.isNotEmpty()
        && std::find (chosenFirstChordNames.begin(), chosenFirstChordNames.end(), firstChordName) != chosenFirstChordNames.end())
        w *= 0.26;

    return w;
}

bool generateWithTemplates (const KeySpec& key,
                            int bpm,
                            const File& exportDir,
                            const TemplateTable& table,
                            const GenerationOptions& options,
                            const BounceProfile* profile,
                            bool fixedRhythm,
                            GenerationTelemetry& telemetry,
                            std::vector<VariationData>& results,
                            String& error)
{
    results.clear();

    const auto scale = scalePitchClasses (key);
    const int total = static_cast<int> (table.size());

    std::vector<TempVariation> variations;
    variations.reserve (table.size());

    for (int i = 0; i < total; ++i)
    {
        const auto& entry = table[static_cast<size_t> (i)];
        TempVariation v;
        v.templateName = &entry.first;
        v.plans = &entry.second;
        v.renders = renderTemplate (key, scale, entry.second);
        v.emotionalScore = emotionalScore (entry.second, v.renders);
        v.templateIndex = i;
        variations.push_back (std::move (v));
    }

    // Sorting small keys gives the same order as sorting the records, without moving their lists.
    struct RankKey
    {
        double score;
        int index;
    };
    std::vector<RankKey> keys;
    keys.reserve (variations.size());
    for (const auto& v : variations)
        keys.push_back ({ v.emotionalScore, v.templateIndex });
    std::sort (keys.begin(), keys.end(), [] (const RankKey& a, const RankKey& b)
               { return a.score > b.score; });

    std::vector<TempVariation> ranked;
    ranked.reserve (keys.size());
    for (const auto& k : keys)
        ranked.push_back (std::move (variations[static_cast<size_t> (k.index)]));

    std::vector<int> chosen;
    if (total > 0)
    {
        const int count = juce::jlimit (1, total, options.variationCount <= 0 ? total : options.variationCount);

        if (fixedRhythm || count == 1)
        {
            chosen.resize (static_cast<size_t> (count));
            std::iota (chosen.begin(), chosen.end(), 0);
        }
        else
        {
            chosen = drawWeighted (ranked, count, options.engineId, key.mode == "minor");
        }
    }

    // A bounce run without a profile still gets the neutral feel rather than the fixed rhythm.
    static const BounceProfile neutralProfile { 0, "Default", {}, 0 };
    const BounceProfile* rhythm = fixedRhythm ? nullptr : (profile != nullptr ? profile : &neutralProfile);

    int melodyTotal = 0;
    for (size_t r = 0; r < chosen.size(); ++r)
    {
        const auto& v = ranked[static_cast<size_t> (chosen[r])];
        const int rank = static_cast<int> (r) + 1;

        File written;
        int melodyNotes = 0;
        if (! writeVariationMidi (key, scale, options, bpm, exportDir, rank, v.renders, v.templateIndex, rhythm, written, melodyNotes, error))
            return false;

        melodyTotal += melodyNotes;

        VariationData data;
        data.rank = rank;
        data.templateName = *v.templateName;
        data.emotionalScore = v.emotionalScore;
        data.midiFile = written;
        data.chords.reserve (v.renders.size());
        for (const auto& render : v.renders)
            data.chords.push_back (toChordData (render, key.useSharps));
        results.push_back (std::move (data));
    }

    telemetry.templatePoolSize = total;
    telemetry.melodyNoteCount = melodyTotal;
    telemetry.melodyAdded = melodyTotal > 0;
    return true;
}

} // namespace halvix

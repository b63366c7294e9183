#include <benchmark/benchmark.h>

#include "GenerationEngine.h"

#include <unistd.h>

using namespace halvix;

namespace
{
// Six chords over four bars, shaped like the expanded seed tables.
TemplateTable syntheticTable (int count)
{
    static const char* const qualities[] = { "triad", "maj7", "min7", "add9", "9", "sus2", "sus4", "maj7_add9", "min7_add9", "sus2_add9", "sus4_add9", "dom7", "add6", "add11", "maj9", "min9", "dom9" };
    static const char* const roles[] = { "foundation", "movement", "lift", "resolve" };
    const int bars[] = { 1, 1, 2, 3, 3, 4 };
    const double beats[] = { 2, 2, 4, 2, 2, 4 };

    std::mt19937 rng (7040);
    TemplateTable table;
    table.reserve (static_cast<size_t> (count));
    for (int i = 0; i < count; ++i)
    {
        std::vector<ChordPlan> plans;
        for (int c = 0; c < 6; ++c)
            plans.push_back ({ static_cast<int> (rng() % 7) + 1, qualities[rng() % 17], beats[c], bars[c], roles[bars[c] - 1], static_cast<int> (rng() % 3) });
        table.emplace_back ("Synthetic " + String (i), std::move (plans));
    }
    return table;
}

const TemplateTable& bigTable()
{
    static const auto table = syntheticTable (7040);
    return table;
}

KeySpec aMinor()
{
    KeySpec key;
    key.rootPc = 9;
    key.tonic = "A";
    key.mode = "minor";
    return key;
}

struct TempFolder
{
    TempFolder()
        : folder (File::getSpecialLocation (File::tempDirectory).getNonexistentChildFile ("halvix_bench_" + String (getpid()), "", false))
    {
        folder.createDirectory();
    }
    ~TempFolder() { folder.deleteRecursively(); }
    File folder;
};

void runGeneration (benchmark::State& state, const TemplateTable& table, const char* engine, const BounceProfile* profile, bool fixed, const KeySpec& key)
{
    TempFolder temp;
    GenerationOptions options;
    options.engineId = engine;
    options.melody = ! fixed;

    for (auto _ : state)
    {
        GenerationTelemetry telemetry;
        std::vector<VariationData> results;
        String error;
        if (! generateWithTemplates (key, 120, temp.folder, table, options, profile, fixed, telemetry, results, error))
            state.SkipWithError (error.toRawUTF8());
        benchmark::DoNotOptimize (results.data());
    }
}
} // namespace

static void BM_GenerateZentriMajor (benchmark::State& state)
{
    KeySpec key;
    runGeneration (state, zentriMajorTemplates, "Zentri", nullptr, true, key);
}
BENCHMARK (BM_GenerateZentriMajor)->Unit (benchmark::kMillisecond);

static void BM_GenerateSynthetic7040Tandu (benchmark::State& state)
{
    runGeneration (state, bigTable(), "Tandu", &tanduBounceProfiles()[31], false, aMinor());
}
BENCHMARK (BM_GenerateSynthetic7040Tandu)->Unit (benchmark::kMillisecond);

// The stages of the 7040-template run, one at a time.

static void BM_StageVoicing7040 (benchmark::State& state)
{
    const auto key = aMinor();
    const auto scale = scalePitchClasses (key);
    for (auto _ : state)
        for (const auto& entry : bigTable())
            benchmark::DoNotOptimize (renderTemplate (key, scale, entry.second));
}
BENCHMARK (BM_StageVoicing7040)->Unit (benchmark::kMillisecond);

static void BM_StageScoring7040 (benchmark::State& state)
{
    const auto key = aMinor();
    const auto scale = scalePitchClasses (key);
    std::vector<std::vector<ChordRender>> renders;
    for (const auto& entry : bigTable())
        renders.push_back (renderTemplate (key, scale, entry.second));

    for (auto _ : state)
    {
        double sum = 0.0;
        for (size_t i = 0; i < renders.size(); ++i)
            sum += emotionalScore (bigTable()[i].second, renders[i]);
        benchmark::DoNotOptimize (sum);
    }
}
BENCHMARK (BM_StageScoring7040)->Unit (benchmark::kMillisecond);

static void BM_StageLotteryWeights (benchmark::State& state)
{
    // Three picks over the Tandu pool of 1536 candidates, every weight recomputed per pick.
    std::vector<double> scores (1536);
    std::vector<String> names (1536);
    for (size_t i = 0; i < scores.size(); ++i)
    {
        scores[i] = 20.0 - static_cast<double> (i) * 0.01;
        names[i] = pitchClassName (static_cast<int> (i), true) + "min7";
    }

    for (auto _ : state)
    {
        std::vector<int> degrees;
        std::vector<String> chosen;
        for (int pick = 0; pick < 3; ++pick)
        {
            double sum = 0.0;
            for (size_t i = 0; i < scores.size(); ++i)
                sum += lotteryWeight (scores[i], scores.back(), true, static_cast<int> (i % 7) + 1, names[i], degrees, chosen, pick > 0);
            degrees.push_back (pick + 1);
            chosen.push_back (names[static_cast<size_t> (pick)]);
            benchmark::DoNotOptimize (sum);
        }
    }
}
BENCHMARK (BM_StageLotteryWeights)->Unit (benchmark::kMicrosecond);

static void BM_StageWriteThreeBounceFiles (benchmark::State& state)
{
    TempFolder temp;
    const auto key = aMinor();
    const auto scale = scalePitchClasses (key);
    GenerationOptions options;
    options.engineId = "Tandu";
    const auto renders = renderTemplate (key, scale, bigTable()[0].second);

    for (auto _ : state)
        for (int rank = 1; rank <= 3; ++rank)
        {
            File written;
            int melody = 0;
            String error;
            if (! writeVariationMidi (key, scale, options, 120, temp.folder, rank, renders, 0, &tanduBounceProfiles()[31], written, melody, error))
                state.SkipWithError (error.toRawUTF8());
        }
}
BENCHMARK (BM_StageWriteThreeBounceFiles)->Unit (benchmark::kMicrosecond);

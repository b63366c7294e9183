#include <benchmark/benchmark.h>

#include "GenerationEngine.h"

using namespace halvix;

namespace
{
// One full run at the processor's defaults: three variations, 120 bpm, files into a scratch folder.
void runEngine (benchmark::State& state, const char* engineId, const char* key)
{
    const auto folder = juce::File::createTempFile ("halvix_bench");
    folder.createDirectory();

    GenerationOptions options;
    options.engineId = engineId;
    options.quantize = String (engineId) != "Zentri";
    options.melody = options.quantize;

    // Build the engine's cached tables outside the timed loop; first use is measured separately.
    if (String (engineId) == "Orvell")
        benchmark::DoNotOptimize (&(String (key).contains ("minor") ? orvellMinorTemplates() : orvellMajorTemplates()));
    if (String (engineId) == "Brisko")
        benchmark::DoNotOptimize (&(String (key).contains ("minor") ? briskoMinorTemplates() : briskoMajorTemplates()));

    for (auto _ : state)
    {
        GenerationTelemetry telemetry;
        std::vector<VariationData> results;
        String resolvedKey, error;
        if (! GenerationEngine::generateWithOptions (key, 120, folder, options, telemetry, results, resolvedKey, error))
        {
            state.SkipWithError (error.toRawUTF8());
            break;
        }
        benchmark::DoNotOptimize (results.data());
    }

    folder.deleteRecursively();
}

void tableBuild (benchmark::State& state, TemplateTable (*build) (const String&), const char* mode)
{
    for (auto _ : state)
    {
        auto table = build (mode);
        benchmark::DoNotOptimize (table.data());
    }
}

void tanduTable (benchmark::State& state, const char* mode)
{
    const GenerationOptions options;
    for (auto _ : state)
    {
        auto table = buildTanduTemplates (mode, options);
        benchmark::DoNotOptimize (table.data());
    }
}
} // namespace

BENCHMARK_CAPTURE (runEngine, ZentriMajor, "Zentri", "C major")->Unit (benchmark::kMillisecond);
BENCHMARK_CAPTURE (runEngine, ZentriMinor, "Zentri", "A minor")->Unit (benchmark::kMillisecond);
BENCHMARK_CAPTURE (runEngine, OrvellMajor, "Orvell", "C major")->Unit (benchmark::kMillisecond);
BENCHMARK_CAPTURE (runEngine, OrvellMinor, "Orvell", "A minor")->Unit (benchmark::kMillisecond);
BENCHMARK_CAPTURE (runEngine, BriskoMajor, "Brisko", "C major")->Unit (benchmark::kMillisecond);
BENCHMARK_CAPTURE (runEngine, BriskoMinor, "Brisko", "A minor")->Unit (benchmark::kMillisecond);
BENCHMARK_CAPTURE (runEngine, TanduMajor, "Tandu", "C major")->Unit (benchmark::kMillisecond);
BENCHMARK_CAPTURE (runEngine, TanduMinor, "Tandu", "A minor")->Unit (benchmark::kMillisecond);

BENCHMARK_CAPTURE (tableBuild, OrvellMajor, buildOrvellTemplatesForMode, "major")->Unit (benchmark::kMillisecond);
BENCHMARK_CAPTURE (tableBuild, OrvellMinor, buildOrvellTemplatesForMode, "minor")->Unit (benchmark::kMillisecond);
BENCHMARK_CAPTURE (tableBuild, BriskoMajor, buildBriskoTemplatesForMode, "major")->Unit (benchmark::kMillisecond);
BENCHMARK_CAPTURE (tableBuild, BriskoMinor, buildBriskoTemplatesForMode, "minor")->Unit (benchmark::kMillisecond);
BENCHMARK_CAPTURE (tanduTable, Major, "major")->Unit (benchmark::kMillisecond);
BENCHMARK_CAPTURE (tanduTable, Minor, "minor")->Unit (benchmark::kMillisecond);

#include "GenerationEngine.h"

#include <numeric>

namespace halvix
{

namespace
{
    using BarShape = std::array<int, 4>;

    // Shapes 6-11 repeat 0-5, so a uniform draw of 0-11 picks each shape equally.
    constexpr std::array<BarShape, 6> kTanduBarShapes { {
        { 2, 1, 2, 1 },
        { 1, 2, 1, 2 },
        { 2, 2, 1, 1 },
        { 1, 1, 2, 2 },
        { 1, 2, 2, 1 },
        { 2, 1, 1, 2 },
    } };

    constexpr std::array<const char*, 4> kBarFunctions { "foundation", "movement", "lift", "resolve" };

    constexpr int kTanduVariantsPerSeed = 1024;

    bool startsWithAsciiLower (const String& token)
    {
        const auto first = token[0];
        return first >= 'a' && first <= 'z';
    }
    // What a token says about its quality: either a fixed word, or nothing, in which
    // case the quality is drawn from the palette with a fallback. The draws stay in
    // the order of the chords because they happen only in resolve().
    struct TokenQuality
    {
        String fixed;
        String fallback;

        String resolve (const String& mode, const String& function) const
        {
            if (fixed.isNotEmpty())
                return fixed;
            if (randomBool (0.7))
                return pickFromPalette (mode, function);
            return fallback;
        }
    };

    TokenQuality classifyTanduToken (const String& token)
    {
        const auto t = token.toLowerCase();
        const bool lowerNumeral = startsWithAsciiLower (token) || t.contains ("min");

        auto fixed = [] (const char* quality)
        { return TokenQuality { quality, {} }; };

        if (t.contains ("dim7"))
            return fixed ("dim7");
        if (t.contains ("dim"))
            return fixed ("dim");
        if (t.contains ("aug"))
            return fixed ("aug");
        if (t.contains ("m7b5"))
            return fixed ("m7b5");
        if (t.contains ("dom7"))
            return fixed ("dom7");
        if (t.contains ("dom9"))
            return fixed ("dom9");
        if (t.contains ("sus4") && t.containsChar ('9'))
            return fixed ("sus4_add9");
        if (t.contains ("sus2") && t.containsChar ('9'))
            return fixed ("sus2_add9");
        if (t.contains ("7sus4"))
            return fixed ("7sus4");
        if (t.contains ("sus4"))
            return fixed ("sus4");
        if (t.contains ("sus2"))
            return fixed ("sus2");
        if (t.contains ("add9"))
            return fixed ("add9");
        if (t.contains ("add6") || t.contains ("add13"))
            return fixed ("add6");
        if (t.contains ("11"))
            return fixed ("add11");
        if (t.contains ("13"))
            return fixed ("add6");
        if (t.containsChar ('9'))
            return fixed ("9");
        if (t.containsChar ('7'))
            return fixed ((lowerNumeral || t.contains ("m7")) ? "min7" : "maj7");
        if (t.containsChar ('5'))
            return fixed ("triad");

        return { {}, lowerNumeral ? "min7" : "maj7" };
    }
    // What every run reads from a seed: its tokens' qualities and its name suffix.
    // Neither involves a draw, so both are made once per process.
    struct SeedTexts
    {
        std::vector<TokenQuality> qualities; // one per degree
        std::string nameSuffix; // " - " and the mood, or empty
    };

    struct TanduSeedTexts
    {
        std::vector<SeedTexts> major, minor;
    };

    std::vector<SeedTexts> makeSeedTexts (const std::vector<BriskoSeedProgression>& seeds)
    {
        std::vector<SeedTexts> texts;
        texts.reserve (seeds.size());
        for (const auto& seed : seeds)
        {
            SeedTexts t;
            for (int i = 0; i < static_cast<int> (seed.degrees.size()); ++i)
                t.qualities.push_back (classifyTanduToken (i < seed.tokens.size() ? seed.tokens[i] : String()));
            if (seed.mood.isNotEmpty())
                t.nameSuffix = (" - " + seed.mood).toStdString();
            texts.push_back (std::move (t));
        }
        return texts;
    }

    const TanduSeedTexts& tanduSeedTexts()
    {
        static const TanduSeedTexts texts { makeSeedTexts (tanduSeedsForMode ("major")), makeSeedTexts (tanduSeedsForMode ("minor")) };
        return texts;
    }
} // namespace

String normalizeEngineId (const String& text)
{
    const auto t = text.trim().toLowerCase();

    if (t.startsWith ("zentri"))
        return "Zentri";
    if (t.startsWith ("orvell"))
        return "Orvell";
    if (t.startsWith ("brisko"))
        return "Brisko";
    if (t.startsWith ("tandu"))
        return "Tandu";
    return {};
}

String tanduQualityForToken (const String& token, const String& mode, const String& function)
{
    return classifyTanduToken (token).resolve (mode, function);
}

TemplateTable buildTanduTemplates (const String& mode, const GenerationOptions& options)
{
    TemplateTable table;

    const auto& seeds = tanduSeedsForMode (mode);
    if (seeds.empty())
        return table;

    const bool minor = mode == "minor";
    const int spaceSize = static_cast<int> (seeds.size()) * kTanduVariantsPerSeed;
    const int cx = juce::jlimit (0, 100, options.complexity);
    const int tx = juce::jlimit (0, 100, options.tension);
    const int size = std::min (spaceSize, 3072 + 40 * cx + 12 * tx + (minor ? 1024 : 0));

    // A stride coprime with the space makes the walk visit distinct seed/variant pairs.
    const int start = uniformInt (0, spaceSize - 1);
    int stride = uniformInt (1, spaceSize - 1);
    while (std::gcd (stride, spaceSize) > 1)
        stride = stride >= spaceSize - 1 ? 1 : stride + 1;

    const auto namePrefix = ("Tandu " + mode.toUpperCase() + " ").toStdString();
    std::string nameBuffer = namePrefix;
    std::array<String, 4> functions;
    for (size_t b = 0; b < functions.size(); ++b)
        functions[b] = kBarFunctions[b];

    table.reserve (static_cast<size_t> (size));

    const auto& seedTexts = minor ? tanduSeedTexts().minor : tanduSeedTexts().major;

    auto x = static_cast<std::int64_t> (start);

    for (int i = 0; i < size; ++i, x = (x + stride) % spaceSize)
    {
        const int walkValue = static_cast<int> (x);
        const int q = walkValue / kTanduVariantsPerSeed;
        const int v = walkValue % kTanduVariantsPerSeed;
        const auto& seed = seeds[static_cast<size_t> (q)];
        const int m = static_cast<int> (seed.degrees.size());

        if (m <= 3)
            continue;

        const int shapeIndex = uniformInt (0, 11);
        const int rot = uniformInt (0, m - 1);
        const int hop = uniformInt (1, m - 1);
        const int barStep = uniformInt (1, 4);
        const int inner = (v % 3) + 1;
        const auto& shape = kTanduBarShapes[static_cast<size_t> (shapeIndex % 6)];

        const auto& qualities = seedTexts[static_cast<size_t> (q)].qualities;

        std::vector<ChordPlan> plans;
        plans.reserve (6);
        int k = 0;

        for (int b = 1; b <= 4; ++b)
        {
            const int chordsInBar = shape[static_cast<size_t> (b - 1)];
            const auto& function = functions[static_cast<size_t> (b - 1)];

            for (int j = 0; j < chordsInBar; ++j, ++k)
            {
                const int p = (rot + barStep * b + inner * j + hop * k) % m;
                int degree = seed.degrees[static_cast<size_t> (p)];

                // Keep most progressions from opening on the tonic.
                if (k == 0 && degree == 1)
                {
                    if (! minor && (q + v) % 4 != 0)
                        degree = seed.degrees[static_cast<size_t> ((p + 1) % m)];
                    else if (minor && (q + v) % 3 != 0)
                        degree = seed.degrees[static_cast<size_t> ((p + 2) % m)];
                }

                // The quality's draws come before the inversion's.
                auto quality = qualities[static_cast<size_t> (p)].resolve (mode, function);
                const auto inversion = static_cast<int> (globalRng()() % 8u);
                plans.push_back (ChordPlan { degree, std::move (quality), chordsInBar == 1 ? 4.0 : 2.0, b, function, inversion });
            }
        }

        // Composed in a reused buffer so that each name costs one allocation.
        nameBuffer.resize (namePrefix.size());
        char digits[12];
        auto* end = digits + sizeof (digits);
        auto* first = end;
        for (int n = walkValue + 1; n > 0 || end - first < 6; n /= 10)
            *--first = static_cast<char> ('0' + n % 10);
        nameBuffer.append (first, static_cast<size_t> (end - first));
        nameBuffer.append (seedTexts[static_cast<size_t> (q)].nameSuffix);
        auto name = String::fromUTF8 (nameBuffer.data(), static_cast<int> (nameBuffer.size()));

        table.emplace_back (std::move (name), std::move (plans));
    }

    return table;
}

bool GenerationEngine::generateWithOptions (const String& keyText,
                                            int bpm,
                                            const File& exportDir,
                                            const GenerationOptions& options,
                                            GenerationTelemetry& telemetry,
                                            std::vector<VariationData>& results,
                                            String& resolvedKey,
                                            String& error)
{
    auto engine = normalizeEngineId (options.engineId);
    if (engine.isEmpty())
        engine = "Brisko";

    auto runOptions = options;
    runOptions.engineId = engine;

    KeySpec key;
    String parsedKeyText, keyError;
    if (! parseKey (keyText, key, parsedKeyText, keyError))
    {
        error = keyError;
        return false;
    }
    resolvedKey = parsedKeyText;

    const bool minor = key.mode == "minor";

    // The run works on a copy so that a failed run leaves the caller's telemetry as it was.
    auto runTelemetry = telemetry;

    auto runBounceEngine = [&] (const TemplateTable& table, const std::vector<BounceProfile>& profiles)
    {
        const BounceProfile* profile = nullptr;
        if (! profiles.empty())
            profile = &profiles[static_cast<size_t> (uniformInt (0, static_cast<int> (profiles.size()) - 1))];

        if (! generateWithTemplates (key, bpm, exportDir, table, runOptions, profile, false, runTelemetry, results, error))
            return false;

        runTelemetry.engineModel = engine;
        runTelemetry.bounceProfile = profile != nullptr ? profile->name : String ("Default");
        runTelemetry.bounceProfileIndex = profile != nullptr ? profile->id : 0;
        runTelemetry.bounceProfileCount = static_cast<int> (profiles.size());
        runTelemetry.quantized = runOptions.quantize;
        return true;
    };

    bool ok = false;

    if (engine == "Zentri")
    {
        const auto& table = minor ? zentriMinorTemplates : zentriMajorTemplates;
        ok = generateWithTemplates (key, bpm, exportDir, table, runOptions, nullptr, true, runTelemetry, results, error);
        if (ok)
        {
            runTelemetry.engineModel = "Zentri";
            runTelemetry.bounceProfile = "Classic Locked";
            runTelemetry.bounceProfileIndex = 0;
            runTelemetry.bounceProfileCount = 1;
            runTelemetry.quantized = false;
        }
    }
    else if (engine == "Orvell")
    {
        ok = runBounceEngine (minor ? orvellMinorTemplates() : orvellMajorTemplates(), orvellBounceProfiles());
    }
    else if (engine == "Tandu")
    {
        const auto table = buildTanduTemplates (key.mode, runOptions);
        if (table.empty())
        {
            error = "TANDU has no templates available for mode: " + key.mode;
            return false;
        }

        ok = runBounceEngine (table, tanduBounceProfiles());
        if (ok)
        {
            const auto seedSpace = static_cast<int> (tanduSeedsForMode (key.mode).size()) * kTanduVariantsPerSeed;
            runTelemetry.templatePoolSize = std::max (static_cast<int> (table.size()), seedSpace);
        }
    }
    else
    {
        ok = runBounceEngine (minor ? briskoMinorTemplates() : briskoMajorTemplates(), briskoBounceProfiles());
    }

    if (ok)
        telemetry = runTelemetry;

    return ok;
}

} // namespace halvix

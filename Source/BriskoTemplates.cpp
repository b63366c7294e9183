#include "GenerationEngine.h"

namespace halvix
{

namespace
{
    using BarShape = std::array<int, 4>;

    constexpr std::array<BarShape, 8> kBriskoBarShapes { {
        { 1, 2, 2, 1 },
        { 2, 1, 2, 1 },
        { 1, 2, 1, 2 },
        { 2, 1, 1, 2 },
        { 1, 1, 2, 2 },
        { 2, 2, 1, 1 },
        { 1, 2, 2, 1 },
        { 2, 1, 2, 1 },
    } };

    constexpr std::array<int, 6> kBriskoInversions { 1, 2, 1, 0, 3, 1 };

    constexpr std::array<const char*, 4> kBarFunctions { "foundation", "movement", "lift", "resolve" };

    constexpr int kVariantsPerSeed = 64;

    bool isAsciiLower (juce::juce_wchar c)
    {
        return c >= 'a' && c <= 'z';
    }

    // Seeds with three degrees or fewer cannot be walked into six-chord templates.
    template <size_t N>
    std::vector<BriskoSeedProgression> parseSeedList (const std::array<const char*, N>& texts)
    {
        std::vector<BriskoSeedProgression> seeds;
        seeds.reserve (N);
        for (auto* text : texts)
        {
            auto seed = parseBriskoSeed (text);
            if (seed.degrees.size() > 3)
                seeds.push_back (std::move (seed));
        }
        return seeds;
    }
} // namespace

BriskoSeedProgression parseBriskoSeed (const String& text)
{
    BriskoSeedProgression seed;

    const auto trimmed = text.trim();
    auto body = trimmed;
    const auto equals = trimmed.indexOfChar ('=');
    if (equals >= 0)
    {
        seed.mood = trimmed.substring (equals + 1).trim();
        body = trimmed.substring (0, equals).trim();
    }

    StringArray pieces;
    pieces.addTokens (body, " ", "");

    for (const auto& piece : pieces)
    {
        if (piece.trim().isEmpty())
            continue;

        const auto numeral = romanPart (piece);
        if (numeral.isEmpty())
            continue;

        const auto degree = degreeFromNumeral (numeral);
        if (degree < 1 || degree > 7)
            continue;

        seed.tokens.add (piece);
        seed.degrees.push_back (degree);
    }

    return seed;
}

const std::vector<BriskoSeedProgression>& briskoSeedsForMode (const String& mode)
{
    struct Lists
    {
        std::vector<BriskoSeedProgression> major = parseSeedList (brisko::kMajorProgressions);
        std::vector<BriskoSeedProgression> minor = parseSeedList (brisko::kMinorProgressions);
    };
    static const Lists lists;
    return mode == "minor" ? lists.minor : lists.major;
}

const std::vector<BriskoSeedProgression>& tanduSeedsForMode (const String& mode)
{
    struct Lists
    {
        std::vector<BriskoSeedProgression> major = parseSeedList (tandu::kMajorProgressions);
        std::vector<BriskoSeedProgression> minor = parseSeedList (tandu::kMinorProgressions);
    };
    static const Lists lists;
    return mode == "minor" ? lists.minor : lists.major;
}

bool briskoTokenIsMinor (const String& token, const String& mode)
{
    const auto t = token.toLowerCase();
    const auto numeral = romanPart (token);

    if (numeral.isNotEmpty() && isAsciiLower (numeral[0]))
        return true;

    if (t.contains ("maj") || t.contains ("dom") || ! t.containsChar ('m'))
        return mode == "minor" && t.containsChar ('7') && ! t.contains ("maj");

    return true;
}

String briskoQualityForToken (const String& token, const String& mode, const String& function)
{
    const auto t = token.toLowerCase();

    if (t.contains ("dim7"))
        return "dim7";
    if (t.contains ("dim"))
        return "dim";
    if (t.contains ("aug"))
        return "aug";
    if (t.contains ("m7b5"))
        return "m7b5";
    if (t.contains ("dom7"))
        return "dom7";
    if (t.contains ("dom9"))
        return "9";
    if (t.contains ("sus4") && t.contains ("add9"))
        return "sus4_add9";
    if (t.contains ("sus2") && t.contains ("add9"))
        return "sus2_add9";
    if (t.contains ("sus4")) // also covers "7sus4"
        return "sus4";
    if (t.contains ("sus2"))
        return "sus2";
    if (t.contains ("add9") || t.contains ("69"))
        return briskoTokenIsMinor (token, mode) ? "min7_add9" : "maj7_add9";
    if (t.contains ("add6") || t.contains ("add13"))
        return "add6";
    if (t.contains ("11"))
        return "add11";
    if (t.contains ("13"))
        return "add6";
    if (t.containsChar ('9'))
        return "9";

    if (! t.containsChar ('7') && ! t.contains ("dom") && randomBool (0.7))
        return pickFromPalette (mode, function);

    return briskoTokenIsMinor (token, mode) ? "min7" : "maj7";
}

TemplateTable buildBriskoTemplatesForMode (const String& mode)
{
    const auto& seeds = briskoSeedsForMode (mode);
    const auto namePrefix = "Brisko " + mode.toUpperCase() + " ";

    TemplateTable table;
    table.reserve (seeds.size() * kVariantsPerSeed);

    int templateNumber = 0;

    for (size_t i = 0; i < seeds.size(); ++i)
    {
        const auto& seed = seeds[i];
        const int q = static_cast<int> (seed.degrees.size());
        const int seedIndex = static_cast<int> (i);
        const auto nameSuffix = seed.mood.isNotEmpty() ? " - " + seed.mood : String();

        for (int u = 0; u < kVariantsPerSeed; ++u)
        {
            const auto& shape = kBriskoBarShapes[static_cast<size_t> ((seedIndex + u) % 8)];
            const int start = (13 * seedIndex + 7 * u) % q;
            const int step = ((seedIndex + 2 * u) % (q - 1)) + 1;

            std::vector<ChordPlan> plans;
            plans.reserve (6);
            int y = 0;

            for (int b = 1; b <= 4; ++b)
            {
                const int chordsInBar = shape[static_cast<size_t> (b - 1)];
                const String function = kBarFunctions[static_cast<size_t> (b - 1)];

                for (int c = 0; c < chordsInBar; ++c, ++y)
                {
                    const auto p = static_cast<size_t> ((start + y * step + b * (c + 1)) % q);

                    ChordPlan plan;
                    plan.degree = seed.degrees[p];
                    plan.quality = briskoQualityForToken (seed.tokens[static_cast<int> (p)], mode, function);
                    plan.durationBeats = chordsInBar == 1 ? 4.0 : 2.0;
                    plan.bar = b;
                    plan.function = function;
                    plan.inversion = kBriskoInversions[static_cast<size_t> ((5 * y + 3 * b + templateNumber) % 6)];
                    plans.push_back (std::move (plan));
                }
            }

            table.emplace_back (namePrefix + String (templateNumber + 1).paddedLeft ('0', 5) + nameSuffix, std::move (plans));
            ++templateNumber;
        }
    }

    return table;
}

const TemplateTable& briskoMajorTemplates()
{
    static const TemplateTable table = buildBriskoTemplatesForMode ("major");
    return table;
}

const TemplateTable& briskoMinorTemplates()
{
    static const TemplateTable table = buildBriskoTemplatesForMode ("minor");
    return table;
}

} // namespace halvix

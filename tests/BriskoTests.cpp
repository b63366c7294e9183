#include <gtest/gtest.h>

#include "GenerationEngine.h"

using namespace halvix;

namespace
{
// The generator's next output after a reseed, to tell whether a call drew from it.
bool drewNothingSince (std::uint32_t seed)
{
    std::mt19937 fresh { seed };
    return globalRng()() == fresh();
}
} // namespace

TEST (BriskoSeeds, ParsingExamples)
{
    const auto full = parseBriskoSeed ("I I IM-5 IM-5 IV IV V Vsus2 =Joyful Triumphant");
    EXPECT_EQ (full.degrees, (std::vector<int> { 1, 1, 1, 1, 4, 4, 5, 5 }));
    EXPECT_EQ (full.tokens, (StringArray { "I", "I", "IM-5", "IM-5", "IV", "IV", "V", "Vsus2" }));
    EXPECT_EQ (full.mood, "Joyful Triumphant");

    const auto short_ = parseBriskoSeed ("ii V I I =Triumphant");
    EXPECT_EQ (short_.degrees, (std::vector<int> { 2, 5, 1, 1 }));
    EXPECT_EQ (short_.mood, "Triumphant");

    // No "=": no mood. Repeated spaces make no empty tokens; pieces without a numeral
    // or with a numeral that is no degree are dropped with their position.
    const auto messy = parseBriskoSeed ("  bVIIM   X7 Qadd9 #IVdim IIII vi7  ");
    EXPECT_EQ (messy.mood, "");
    EXPECT_EQ (messy.tokens, (StringArray { "bVIIM", "#IVdim", "vi7" }));
    EXPECT_EQ (messy.degrees, (std::vector<int> { 7, 4, 6 }));

    // Only the first "=" splits; the mood is trimmed.
    const auto mood = parseBriskoSeed ("I IV V I =  Calm = Still ");
    EXPECT_EQ (mood.mood, "Calm = Still");
    EXPECT_EQ (mood.degrees.size(), 4u);

    EXPECT_TRUE (parseBriskoSeed ("").degrees.empty());
    EXPECT_TRUE (parseBriskoSeed ("=Only A Mood").tokens.isEmpty());
}

TEST (BriskoSeeds, ListsAreVerbatimAndFullyParsed)
{
    EXPECT_STREQ (brisko::kMajorProgressions.front(), "I I IM-5 IM-5 IV IV V Vsus2 =Joyful Triumphant");
    EXPECT_STREQ (brisko::kMajorProgressions.back(), "vi V IV V =Romantic Hopeful");
    EXPECT_STREQ (brisko::kMinorProgressions.front(), "i i iv iv v7 ii5 v v7 =Dark Mysterious");
    EXPECT_STREQ (brisko::kMinorProgressions.back(), "VII iv VII i =Spiritual");

    const auto& major = briskoSeedsForMode ("major");
    const auto& minor = briskoSeedsForMode ("minor");
    ASSERT_EQ (major.size(), 49u);
    ASSERT_EQ (minor.size(), 54u);
    EXPECT_EQ (&briskoSeedsForMode ("Minor"), &major);

    // Every token of every seed is kept, in array order.
    for (size_t i = 0; i < minor.size(); ++i)
    {
        StringArray pieces;
        pieces.addTokens (String (brisko::kMinorProgressions[i]).upToFirstOccurrenceOf ("=", false, false).trim(), " ", "");
        EXPECT_EQ (minor[i].tokens, pieces) << i;
    }
    EXPECT_EQ (minor[29].degrees, (std::vector<int> { 1, 6, 3, 7, 1, 1, 3, 4 }));
    EXPECT_EQ (minor[29].mood, "Dark Nostalgic");
}

TEST (BriskoQuality, MinorMarker)
{
    struct Case
    {
        const char* token;
        const char* mode;
        bool minor;
    };
    const Case cases[] = {
        { "iv7", "major", true }, // lower-case numeral
        { "IV7", "major", false },
        { "V7", "minor", true }, // the mode rule
        { "V", "minor", false }, // the mode rule needs a 7
        { "Vmaj7", "minor", false },
        { "Vmaj7", "major", false },
        { "Vdom7", "minor", true },
        { "Vdom7", "major", false },
        { "IM-5", "major", true }, // "M" lower-cases to "m"
        { "bIIIm", "major", true },
        { "bVII", "major", false }, // the accidental is no lower-case numeral
    };
    for (const auto& c : cases)
        EXPECT_EQ (briskoTokenIsMinor (c.token, c.mode), c.minor) << c.token << " in " << c.mode;
}

TEST (BriskoQuality, TokenRules)
{
    struct Case
    {
        const char* token;
        const char* mode;
        const char* quality;
    };
    const Case cases[] = {
        { "viidim7", "major", "dim7" },
        { "#IVdim", "major", "dim" },
        { "IIIaug", "minor", "aug" },
        { "iim7b5", "minor", "m7b5" },
        { "Vdom7", "major", "dom7" },
        { "Vdom9", "major", "9" },
        { "Isus4add9", "major", "sus4_add9" },
        { "Isus2add9", "minor", "sus2_add9" },
        { "V7sus4", "major", "sus4" },
        { "Isus4", "major", "sus4" },
        { "Vsus2", "major", "sus2" },
        { "viadd9", "major", "min7_add9" },
        { "Vadd9", "major", "maj7_add9" },
        { "VI69", "minor", "maj7_add9" },
        { "vi69", "major", "min7_add9" },
        { "IVadd6", "major", "add6" },
        { "Iadd13", "major", "add6" },
        { "ii11", "major", "add11" },
        { "I13", "major", "add6" },
        { "I9", "major", "9" },
        { "iv7", "major", "min7" },
        { "IV7", "major", "maj7" },
        { "V7", "minor", "min7" },
        { "Vmaj7", "major", "maj7" },
        { "Vmaj7", "minor", "maj7" },
        { "IM7", "major", "min7" },
        { "I7", "major", "maj7" },
    };
    for (const auto& c : cases)
    {
        constexpr std::uint32_t seed = 99;
        globalRng().seed (seed);
        EXPECT_EQ (briskoQualityForToken (c.token, c.mode, "lift"), c.quality) << c.token << " in " << c.mode;
        EXPECT_TRUE (drewNothingSince (seed)) << c.token;
    }
}

TEST (BriskoQuality, TokensWithoutQualityDrawFromThePalette)
{
    globalRng().seed (3);
    // The major "lift" palette has no "maj7"/"min7", so the fallback is recognisable.
    const StringArray lift { "9", "maj7_add9", "sus4_add9", "add9", "sus2", "add6" };
    int fallback = 0;
    constexpr int draws = 4000;
    for (int i = 0; i < draws; ++i)
    {
        const auto q = briskoQualityForToken ("IV", "major", "lift");
        if (q == "maj7")
            ++fallback;
        else
            ASSERT_TRUE (lift.contains (q)) << q;

        const auto lower = briskoQualityForToken ("vi", "major", "lift");
        ASSERT_TRUE (lower == "min7" || lift.contains (lower)) << lower;
    }
    EXPECT_NEAR (fallback / double (draws), 0.3, 0.03);
}

TEST (BriskoTemplates, FirstMajorTemplate)
{
    const auto& table = briskoMajorTemplates();
    ASSERT_FALSE (table.empty());
    const auto& [name, plans] = table.front();
    EXPECT_EQ (name, "Brisko MAJOR 00001 - Joyful Triumphant");
    ASSERT_EQ (plans.size(), 6u);

    // Seed positions 1, 3, 6, 6, 2, 1 of "I I IM-5 IM-5 IV IV V Vsus2"; shape 1, 2, 2, 1.
    const int degrees[] = { 1, 1, 5, 5, 1, 1 };
    const int inversions[] = { 0, 1, 3, 1, 1, 2 };
    const double beats[] = { 4, 2, 2, 2, 2, 4 };
    const int bars[] = { 1, 2, 2, 3, 3, 4 };
    const char* functions[] = { "foundation", "movement", "movement", "lift", "lift", "resolve" };
    for (size_t k = 0; k < 6; ++k)
    {
        SCOPED_TRACE (k);
        EXPECT_EQ (plans[k].degree, degrees[k]);
        EXPECT_EQ (plans[k].inversion, inversions[k]);
        EXPECT_EQ (plans[k].durationBeats, beats[k]);
        EXPECT_EQ (plans[k].bar, bars[k]);
        EXPECT_EQ (plans[k].function, functions[k]);
    }
}

TEST (BriskoTemplates, TableSizesNamesAndShapes)
{
    const auto& major = briskoMajorTemplates();
    const auto& minor = briskoMinorTemplates();
    ASSERT_EQ (major.size(), 3136u);
    ASSERT_EQ (minor.size(), 3456u);
    EXPECT_EQ (major.back().first, "Brisko MAJOR 03136 - Romantic Hopeful");
    EXPECT_EQ (minor.front().first, "Brisko MINOR 00001 - Dark Mysterious");
    EXPECT_EQ (minor.back().first, "Brisko MINOR 03456 - Spiritual");
    EXPECT_EQ (minor[64].first, "Brisko MINOR 00065 - Mysterious Triumphant");

    const auto& seeds = briskoSeedsForMode ("minor");
    for (size_t i = 0; i < minor.size(); ++i)
    {
        const auto& plans = minor[i].second;
        const auto& seed = seeds[i / 64];
        ASSERT_EQ (plans.size(), 6u);
        std::array<double, 4> beatsPerBar {};
        for (const auto& p : plans)
        {
            beatsPerBar[static_cast<size_t> (p.bar - 1)] += p.durationBeats;
            ASSERT_NE (std::find (seed.degrees.begin(), seed.degrees.end(), p.degree), seed.degrees.end());
        }
        ASSERT_EQ (beatsPerBar, (std::array<double, 4> { 4, 4, 4, 4 })) << minor[i].first;
    }
}

#include <gtest/gtest.h>

#include "GenerationEngine.h"

#include <map>

using namespace halvix;

namespace
{
struct Step
{
    int degree;
    const char* quality;
    double beats;
    int bar;
    int inversion;
};

void expectSteps (const std::vector<ChordPlan>& plans, const std::vector<Step>& steps)
{
    ASSERT_EQ (plans.size(), steps.size());
    static const char* functions[] = { "foundation", "movement", "lift", "resolve" };
    for (size_t i = 0; i < steps.size(); ++i)
    {
        SCOPED_TRACE ("chord " + std::to_string (i));
        EXPECT_EQ (plans[i].degree, steps[i].degree);
        EXPECT_EQ (plans[i].quality, steps[i].quality);
        EXPECT_EQ (plans[i].durationBeats, steps[i].beats);
        EXPECT_EQ (plans[i].bar, steps[i].bar);
        EXPECT_EQ (plans[i].function, functions[steps[i].bar - 1]);
        EXPECT_EQ (plans[i].inversion, steps[i].inversion);
    }
}

bool samePlans (const std::vector<ChordPlan>& a, const std::vector<ChordPlan>& b)
{
    if (a.size() != b.size())
        return false;
    for (size_t i = 0; i < a.size(); ++i)
        if (a[i].degree != b[i].degree || a[i].quality != b[i].quality || a[i].durationBeats != b[i].durationBeats
            || a[i].bar != b[i].bar || a[i].function != b[i].function || a[i].inversion != b[i].inversion)
            return false;
    return true;
}
} // namespace

TEST (Palettes, PickFromPaletteChoosesTheEntryAndCoversItEvenly)
{
    globalRng().seed (7);

    const StringArray majorFoundation { "maj7_add9", "maj7", "add9", "sus2", "sus4_add9", "add6" };
    const StringArray minorLift { "min7_add9", "9", "sus4_add9", "add9", "add6" };

    std::map<String, int> counts;
    constexpr int draws = 6000;
    for (int i = 0; i < draws; ++i)
    {
        // Only exactly "minor" picks the minor palette; an unknown role falls back to "foundation".
        const auto q = pickFromPalette ("Minor", "bridge");
        ASSERT_TRUE (majorFoundation.contains (q)) << q;
        ++counts[q];
        ASSERT_TRUE (minorLift.contains (pickFromPalette ("minor", "lift")));
    }

    ASSERT_EQ (counts.size(), 6u);
    for (const auto& [quality, n] : counts)
        EXPECT_NEAR (n, draws / 6, draws / 6 * 0.15) << quality;
}

TEST (Palettes, OrvellPoolsByModeAndRole)
{
    EXPECT_EQ (orvellPaletteFor ("major", "foundation"), (StringArray { "maj7_add9", "add9", "maj7", "sus2", "sus4_add9" }));
    EXPECT_EQ (orvellPaletteFor ("minor", "movement"), (StringArray { "maj7", "min7_add9", "sus2_add9", "add9", "9" }));
    EXPECT_EQ (orvellPaletteFor ("minor", "lift"), (StringArray { "maj7_add9", "9", "sus4_add9", "add9", "sus2" }));
    EXPECT_EQ (orvellPaletteFor ("minor", "resolve"), (StringArray { "min7_add9", "sus4_add9", "add9", "min7", "sus2" }));
    // Any other role is "resolve"; any other mode text is major.
    EXPECT_EQ (&orvellPaletteFor ("major", "bridge"), &orvellPaletteFor ("major", "resolve"));
    EXPECT_EQ (&orvellPaletteFor ("Minor", "lift"), &orvellPaletteFor ("major", "lift"));
}

TEST (OrvellTemplates, TableSizesAndNames)
{
    const auto& major = orvellMajorTemplates();
    const auto& minor = orvellMinorTemplates();
    ASSERT_EQ (major.size(), 1472u);
    ASSERT_EQ (minor.size(), 615u);

    for (size_t i = 0; i < major.size(); ++i)
        ASSERT_EQ (major[i].first, "Orvell Major " + String (static_cast<int> (i) + 1).paddedLeft ('0', 4));
    for (size_t i = 0; i < minor.size(); ++i)
        ASSERT_EQ (minor[i].first, "Orvell Minor " + String (static_cast<int> (i) + 1).paddedLeft ('0', 4));

    EXPECT_EQ (buildOrvellTemplatesForMode ("Minor").size(), 1472u); // only exactly "minor" is minor
}

TEST (OrvellTemplates, FirstAndLastMajorTemplates)
{
    const auto& major = orvellMajorTemplates();
    expectSteps (major.front().second,
                 { { 1, "sus4_add9", 2, 1, 0 },
                   { 1, "sus2", 2, 1, 2 },
                   { 2, "sus2_add9", 4, 2, 1 },
                   { 3, "add9", 2, 3, 2 },
                   { 5, "add9", 2, 3, 1 },
                   { 1, "sus4_add9", 4, 4, 1 } });

    EXPECT_EQ (major.back().first, "Orvell Major 1472");
    expectSteps (major.back().second,
                 { { 4, "maj7_add9", 2, 1, 0 },
                   { 2, "sus2", 2, 1, 1 },
                   { 5, "maj7", 2, 2, 1 },
                   { 2, "maj7", 2, 2, 1 },
                   { 6, "maj7_add9", 4, 3, 1 },
                   { 1, "sus2", 4, 4, 3 } });
}

TEST (OrvellTemplates, EveryTemplateKeepsTheRules)
{
    for (const auto* mode : { "major", "minor" })
    {
        SCOPED_TRACE (mode);
        const auto& table = String (mode) == "minor" ? orvellMinorTemplates() : orvellMajorTemplates();
        const auto& slots = String (mode) == "minor" ? minorDegreeSlots() : majorDegreeSlots();

        for (const auto& [name, plans] : table)
        {
            SCOPED_TRACE (name);
            ASSERT_EQ (plans.size(), 6u);

            std::array<double, 4> beatsPerBar {};
            int previousBar = 1;
            for (size_t k = 0; k < plans.size(); ++k)
            {
                const auto& p = plans[k];
                ASSERT_GE (p.bar, previousBar);
                ASSERT_TRUE (p.bar >= 1 && p.bar <= 4);
                previousBar = p.bar;
                beatsPerBar[static_cast<size_t> (p.bar - 1)] += p.durationBeats;
                ASSERT_TRUE (orvellPaletteFor (mode, p.function).contains (p.quality));
                const auto& slot = slots[k];
                ASSERT_NE (std::find (slot.begin(), slot.end(), p.degree), slot.end());
                ASSERT_TRUE (p.inversion >= 0 && p.inversion <= 3);
            }
            for (auto beats : beatsPerBar)
                ASSERT_EQ (beats, 4.0);

            for (size_t k = 2; k < plans.size(); ++k)
                ASSERT_FALSE (plans[k].degree == plans[k - 1].degree && plans[k].degree == plans[k - 2].degree);
            ASSERT_FALSE (plans[3].degree == plans[0].degree && plans[4].degree == plans[1].degree);

            if (String (mode) == "minor")
            {
                ASSERT_EQ (plans.back().degree, 1);
            }
        }
    }
}

TEST (OrvellTemplates, BuildingAgainGivesTheSameTable)
{
    const auto again = buildOrvellTemplatesForMode ("minor");
    const auto& cached = orvellMinorTemplates();
    ASSERT_EQ (again.size(), cached.size());
    for (size_t i = 0; i < again.size(); ++i)
    {
        ASSERT_EQ (again[i].first, cached[i].first);
        ASSERT_TRUE (samePlans (again[i].second, cached[i].second)) << again[i].first;
    }
}

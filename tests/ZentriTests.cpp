#include <gtest/gtest.h>

#include "GenerationEngine.h"

#include <set>

using namespace halvix;

TEST (ZentriTables, EveryTemplateHasTheSharedShape)
{
    const char* roles[] = { "foundation", "movement", "lift", "resolve" };

    for (const auto* table : { &zentriMajorTemplates, &zentriMinorTemplates })
    {
        ASSERT_EQ (table->size(), 9u);
        std::set<juce::String> names;

        for (const auto& [name, plans] : *table)
        {
            names.insert (name);
            ASSERT_EQ (plans.size(), 6u) << name;

            double total = 0.0;
            int stepsInBar[5] = {};
            for (size_t i = 0; i < plans.size(); ++i)
            {
                const auto& plan = plans[i];
                total += plan.durationBeats;
                ASSERT_GE (plan.bar, 1);
                ASSERT_LE (plan.bar, 4);
                if (i > 0)
                {
                    EXPECT_GE (plan.bar, plans[i - 1].bar) << name;
                }
                ++stepsInBar[plan.bar];

                EXPECT_EQ (plan.function, roles[plan.bar - 1]) << name;
                EXPECT_GE (plan.degree, 1);
                EXPECT_LE (plan.degree, 7);
                EXPECT_GE (plan.inversion, 0);
                EXPECT_LE (plan.inversion, 2);
                EXPECT_TRUE (chordMeta.count (plan.quality.toStdString()) == 1) << plan.quality;
            }
            EXPECT_EQ (total, 16.0) << name;

            for (const auto& plan : plans)
                EXPECT_EQ (plan.durationBeats, stepsInBar[plan.bar] == 1 ? 4.0 : 2.0) << name;
            for (int bar = 1; bar <= 4; ++bar)
                EXPECT_TRUE (stepsInBar[bar] == 1 || stepsInBar[bar] == 2) << name << " bar " << bar;
        }
        EXPECT_EQ (names.size(), 9u);
    }
}

TEST (ZentriTables, KnownRows)
{
    const auto& cloud = zentriMajorTemplates[0];
    EXPECT_EQ (cloud.first, "Cloud Window");
    const std::vector<std::tuple<int, const char*, double, int, const char*, int>> expected {
        { 1, "maj7_add9", 4, 1, "foundation", 1 },
        { 6, "min7", 2, 2, "movement", 1 },
        { 2, "add9", 2, 2, "movement", 2 },
        { 4, "maj7", 4, 3, "lift", 1 },
        { 3, "sus2", 2, 4, "resolve", 2 },
        { 1, "add9", 2, 4, "resolve", 1 },
    };
    for (size_t i = 0; i < expected.size(); ++i)
    {
        const auto& plan = cloud.second[i];
        const auto& [degree, quality, beats, bar, function, inversion] = expected[i];
        EXPECT_EQ (plan.degree, degree);
        EXPECT_EQ (plan.quality, quality);
        EXPECT_EQ (plan.durationBeats, beats);
        EXPECT_EQ (plan.bar, bar);
        EXPECT_EQ (plan.function, function);
        EXPECT_EQ (plan.inversion, inversion);
    }

    const auto& sunset = zentriMajorTemplates[2];
    EXPECT_EQ (sunset.first, "Sunset Tape");
    EXPECT_EQ (sunset.second.front().inversion, 0);
    EXPECT_EQ (sunset.second.back().degree, 4);

    const auto& neon = zentriMinorTemplates[2];
    EXPECT_EQ (neon.first, "Late Neon");
    EXPECT_EQ (neon.second.back().degree, 6);

    const auto& phantom = zentriMinorTemplates[6];
    EXPECT_EQ (phantom.first, "Phantom Drip");
    EXPECT_EQ (phantom.second.front().degree, 1);
    EXPECT_EQ (phantom.second.front().quality, "min7");
    EXPECT_EQ (phantom.second.front().inversion, 2);
    EXPECT_EQ (phantom.second.front().durationBeats, 4.0);

    EXPECT_EQ (zentriMajorTemplates[8].first, "Linen Sky");
    EXPECT_EQ (zentriMinorTemplates[8].first, "Onyx Bloom");
}

// Several plug-in instances in one host share the export folder and the state file.

#include <gtest/gtest.h>

#include "PluginProcessor.h"
#include "ProcessorTestSupport.h"

using namespace halvix;

namespace
{
juce::var storedState (const test::ScopedTemporaryHome& home)
{
    const auto parsed = juce::JSON::parse (home.stateFile().loadFileAsString());
    EXPECT_TRUE (parsed.getDynamicObject() != nullptr) << home.stateFile().loadFileAsString();
    return parsed;
}

bool run (HalvixAudioProcessor& p, const char* vibe)
{
    juce::String error;
    const bool ok = p.generateTop3 ("A minor", false, 120, vibe, error);
    EXPECT_TRUE (ok) << error;
    return ok;
}
} // namespace

TEST (MultipleInstances, ShareOneStateFileWithoutLosingRuns)
{
    test::ScopedTemporaryHome home;
    HalvixAudioProcessor first, second;

    ASSERT_TRUE (run (first, "Zentri"));
    EXPECT_EQ ((int) storedState (home)["total_generations"], 1);

    // The second instance still holds the counter it read at start-up; saving its
    // accent must not take the shared counter back.
    second.themeAccentIndex = 3;
    second.saveState();
    auto state = storedState (home);
    EXPECT_EQ ((int) state["total_generations"], 1);
    EXPECT_EQ ((int) state["theme_accent_index"], 3);

    ASSERT_TRUE (run (second, "Orvell"));
    EXPECT_EQ (second.totalGenerations, 2);
    ASSERT_TRUE (run (first, "Emotional"));
    EXPECT_EQ (first.totalGenerations, 3);
    EXPECT_TRUE (first.lastStatus.endsWith ("Total runs 3")) << first.lastStatus;

    state = storedState (home);
    EXPECT_EQ ((int) state["total_generations"], 3);

    // Each instance keeps its own results and its own engine.
    EXPECT_EQ (first.activeEngineModel, juce::String ("Zentri"));
    EXPECT_EQ (second.activeEngineModel, juce::String ("Orvell"));
    EXPECT_NE (first.lastRunFolder, second.lastRunFolder);
    ASSERT_EQ (first.lastVariations.size(), 3u);
    ASSERT_EQ (second.lastVariations.size(), 3u);
    EXPECT_TRUE (first.lastVariations[0].midiFile.isAChildOf (first.lastRunFolder));
    EXPECT_TRUE (second.lastVariations[0].midiFile.isAChildOf (second.lastRunFolder));

    // A third instance started now sees every run.
    HalvixAudioProcessor third;
    EXPECT_EQ (third.totalGenerations, 3);
}

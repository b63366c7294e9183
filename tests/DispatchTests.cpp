#include <gtest/gtest.h>

#include "GenerationEngine.h"

using namespace halvix;

TEST (EngineDispatch, NormalizeEngineId)
{
    struct Case
    {
        const char* text;
        const char* id;
    };
    const Case cases[] = {
        { "Zentri", "Zentri" },
        { "  ZENTRI  ", "Zentri" },
        { "zentri-x", "Zentri" },
        { "orvell", "Orvell" },
        { "Orvell engine", "Orvell" },
        { "BRISKO", "Brisko" },
        { "tandu", "Tandu" },
        { "Tandu2", "Tandu" },
        { "something", "" },
        { "", "" },
        { "x tandu", "" },
        { "tand", "" },
    };
    for (const auto& c : cases)
        EXPECT_EQ (normalizeEngineId (c.text), c.id) << "'" << c.text << "'";
}

namespace
{
// A fresh, empty folder for one test's MIDI files, removed afterwards.
class DispatchRun : public testing::Test
{
protected:
    void SetUp() override
    {
        folder = juce::File::createTempFile ("halvix_dispatch");
        ASSERT_TRUE (folder.createDirectory());
    }

    void TearDown() override { folder.deleteRecursively(); }

    int midiFileCount() const { return folder.getNumberOfChildFiles (juce::File::findFiles, "*.mid"); }

    bool run (const String& engineId, const String& key)
    {
        options.engineId = engineId;
        return GenerationEngine::generateWithOptions (key, 120, folder, options, telemetry, results, resolvedKey, error);
    }

    juce::File folder;
    GenerationOptions options;
    GenerationTelemetry telemetry;
    std::vector<VariationData> results;
    String resolvedKey, error;
};

GenerationTelemetry sentinelTelemetry()
{
    GenerationTelemetry t;
    t.engineModel = "untouched";
    t.bounceProfile = "untouched";
    t.bounceProfileIndex = -7;
    t.bounceProfileCount = -7;
    t.templatePoolSize = -7;
    t.quantized = true;
    t.melodyAdded = true;
    t.melodyNoteCount = -7;
    return t;
}

void expectUntouched (const GenerationTelemetry& t)
{
    EXPECT_EQ (t.engineModel, "untouched");
    EXPECT_EQ (t.bounceProfile, "untouched");
    EXPECT_EQ (t.bounceProfileIndex, -7);
    EXPECT_EQ (t.bounceProfileCount, -7);
    EXPECT_EQ (t.templatePoolSize, -7);
    EXPECT_TRUE (t.quantized);
    EXPECT_TRUE (t.melodyAdded);
    EXPECT_EQ (t.melodyNoteCount, -7);
}
} // namespace

TEST_F (DispatchRun, EveryEngineReportsItsTableProfileAndFiles)
{
    struct Case
    {
        const char* engineId;
        const char* key;
        const char* model;
        int poolSize;
        const std::vector<BounceProfile>* profiles;
        const char* fileTag;
    };
    const Case cases[] = {
        { "orvell", "A minor", "Orvell", 615, &orvellBounceProfiles(), "_orvell_b" },
        { "Orvell", "D major", "Orvell", 1472, &orvellBounceProfiles(), "_orvell_b" },
        { "Brisko", "F#m", "Brisko", 3456, &briskoBounceProfiles(), "_brisko_b" },
        { "brisko pop", "Eb", "Brisko", 3136, &briskoBounceProfiles(), "_brisko_b" },
        { "something", "C major", "Brisko", 3136, &briskoBounceProfiles(), "_brisko_b" },
        { "Tandu", "C major", "Tandu", 190 * 1024, &tanduBounceProfiles(), "_tandu_b" },
        { "TANDU", "c# minor", "Tandu", 203 * 1024, &tanduBounceProfiles(), "_tandu_b" },
        { "Zentri", "G minor", "Zentri", 9, nullptr, "_zentri_rank_" },
    };

    for (const auto& c : cases)
    {
        SCOPED_TRACE (String (c.engineId) + " / " + c.key);
        folder.deleteRecursively();
        telemetry = {};
        options.quantize = c.profiles != nullptr;
        ASSERT_TRUE (run (c.engineId, c.key)) << error;

        EXPECT_EQ (telemetry.engineModel, c.model);
        EXPECT_EQ (telemetry.templatePoolSize, c.poolSize);
        ASSERT_EQ (results.size(), 3u);
        EXPECT_EQ (midiFileCount(), 3);

        if (c.profiles != nullptr)
        {
            EXPECT_EQ (telemetry.bounceProfileCount, static_cast<int> (c.profiles->size()));
            ASSERT_TRUE (telemetry.bounceProfileIndex >= 0 && telemetry.bounceProfileIndex < telemetry.bounceProfileCount);
            EXPECT_EQ (telemetry.bounceProfile, (*c.profiles)[static_cast<size_t> (telemetry.bounceProfileIndex)].name);
            EXPECT_TRUE (telemetry.quantized);
        }
        else
        {
            EXPECT_EQ (telemetry.bounceProfile, "Classic Locked");
            EXPECT_EQ (telemetry.bounceProfileIndex, 0);
            EXPECT_EQ (telemetry.bounceProfileCount, 1);
        }

        const String prefix = String (c.model) == "Tandu" ? "Tandu " + resolvedKey.fromFirstOccurrenceOf (" ", false, false).toUpperCase() + " "
                                                          : String();
        for (size_t r = 0; r < results.size(); ++r)
        {
            EXPECT_EQ (results[r].rank, static_cast<int> (r) + 1);
            EXPECT_TRUE (results[r].midiFile.existsAsFile());
            EXPECT_EQ (results[r].midiFile.getParentDirectory(), folder);
            EXPECT_TRUE (results[r].midiFile.getFileName().contains (c.fileTag)) << results[r].midiFile.getFileName();
            EXPECT_TRUE (results[r].templateName.startsWith (prefix)) << results[r].templateName;
        }
    }
}

TEST_F (DispatchRun, ZentriIgnoresQuantizeAndTheResolvedKeyIsNormalised)
{
    options.quantize = true;
    ASSERT_TRUE (run ("  ZENTRI  ", String::fromUTF8 ("  c\xe2\x99\xaf   minor "))) << error;
    EXPECT_EQ (resolvedKey, "C# minor");
    EXPECT_EQ (telemetry.engineModel, "Zentri");
    EXPECT_EQ (telemetry.bounceProfile, "Classic Locked");
    EXPECT_FALSE (telemetry.quantized);
    EXPECT_TRUE (results.front().midiFile.getFileName().startsWith ("cs_minor_zentri_rank_1_"));
}

TEST_F (DispatchRun, TanduFileNamesCarryTheProfileIdAndMelodyIsCounted)
{
    ASSERT_TRUE (run ("Tandu", "A minor")) << error;
    const auto tag = "a_minor_tandu_b" + String (telemetry.bounceProfileIndex).paddedLeft ('0', 4) + "_rank_";
    for (const auto& r : results)
        EXPECT_TRUE (r.midiFile.getFileName().startsWith (tag)) << r.midiFile.getFileName();
    EXPECT_EQ (telemetry.melodyAdded, telemetry.melodyNoteCount > 0);
}

TEST_F (DispatchRun, BadKeyFailsBeforeAnythingIsWritten)
{
    struct Case
    {
        const char* key;
        const char* message;
    };
    const Case cases[] = {
        { "", "Key is empty." },
        { "    ", "Key is empty." },
        { "H minor", "Unsupported key: H" },
        { "x", "Unsupported key: X" },
    };
    for (const auto* engine : { "Zentri", "Orvell", "Brisko", "Tandu" })
        for (const auto& c : cases)
        {
            SCOPED_TRACE (String (engine) + " '" + c.key + "'");
            telemetry = sentinelTelemetry();
            resolvedKey = "unchanged";
            results.assign (1, VariationData {});
            EXPECT_FALSE (run (engine, c.key));
            EXPECT_EQ (error, c.message);
            EXPECT_EQ (resolvedKey, "unchanged");
            expectUntouched (telemetry);
            EXPECT_EQ (folder.getNumberOfChildFiles (juce::File::findFilesAndDirectories), 0);
        }
}

TEST_F (DispatchRun, WriteFailureLeavesTelemetryUntouched)
{
    // A plain file where the export folder should be: no MIDI file can be opened.
    const auto blocker = folder.getChildFile ("not_a_folder");
    ASSERT_TRUE (blocker.replaceWithText ("x"));

    for (const auto* engine : { "Zentri", "Orvell", "Tandu" })
    {
        SCOPED_TRACE (engine);
        telemetry = sentinelTelemetry();
        options.engineId = engine;
        EXPECT_FALSE (GenerationEngine::generateWithOptions ("E major", 100, blocker, options, telemetry, results, resolvedKey, error));
        EXPECT_TRUE (error.startsWith ("Failed to open MIDI file for writing: ")) << error;
        EXPECT_EQ (resolvedKey, "E major"); // set as soon as the key parsed
        expectUntouched (telemetry);
    }
}

TEST_F (DispatchRun, AllVariationsOnRequest)
{
    options.variationCount = 0;
    ASSERT_TRUE (run ("Zentri", "F major")) << error;
    EXPECT_EQ (results.size(), 9u);
    EXPECT_EQ (midiFileCount(), 9);
}

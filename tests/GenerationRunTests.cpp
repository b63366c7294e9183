#include <gtest/gtest.h>

#include "PluginProcessor.h"
#include "ProcessorTestSupport.h"

#include <regex>

using namespace halvix;

namespace
{
juce::StringArray childNames (const juce::File& folder)
{
    juce::StringArray names;
    for (const auto& f : folder.findChildFiles (juce::File::findFilesAndDirectories, false))
        names.add (f.getFileName());

    names.sort (false);
    return names;
}

juce::Array<juce::File> runFolders (const juce::File& exportRoot)
{
    juce::Array<juce::File> folders;
    for (const auto& f : exportRoot.findChildFiles (juce::File::findDirectories, false))
        if (f.getFileName() != "all_midis")
            folders.add (f);

    return folders;
}

juce::String expectedStatus (const HalvixAudioProcessor& p, const juce::String& vibe)
{
    const auto& t = p.lastTelemetry;
    return "Done | Key " + p.lastKey + " | Engine " + t.engineModel + " | Bounce " + t.bounceProfile
           + " (" + juce::String (t.bounceProfileIndex + 1) + "/" + juce::String (t.bounceProfileCount) + ")"
           + " | Pool " + juce::String (t.templatePoolSize)
           + " | Melody " + (t.melodyAdded ? "On " + juce::String (t.melodyNoteCount) + " notes" : juce::String ("Off"))
           + " | Complexity 58 | Tension 52 | Vibe " + vibe + " | Total runs " + juce::String (p.totalGenerations);
}

/** Everything a failed run must leave alone. */
struct Snapshot
{
    explicit Snapshot (const HalvixAudioProcessor& p)
        : state (p.stateFile.loadFileAsString())
        , latest (p.exportRoot.getChildFile ("halvix_latest.mid").loadFileAsString())
        , total (p.totalGenerations)
        , lastKey (p.lastKey)
        , lastRunFolder (p.lastRunFolder)
        , lastMidiFiles ([&]
                         {
                juce::StringArray paths;
                for (const auto& v : p.lastVariations)
                    paths.add (v.midiFile.getFullPathName());
                return paths; }())
    {
    }

    void expectUnchangedIn (const HalvixAudioProcessor& p) const
    {
        EXPECT_EQ (p.stateFile.loadFileAsString(), state);
        EXPECT_EQ (p.exportRoot.getChildFile ("halvix_latest.mid").loadFileAsString(), latest);
        EXPECT_EQ (p.totalGenerations, total);
        EXPECT_EQ (p.lastKey, lastKey);
        EXPECT_EQ (p.lastRunFolder, lastRunFolder);

        juce::StringArray paths;
        for (const auto& v : p.lastVariations)
            paths.add (v.midiFile.getFullPathName());
        EXPECT_EQ (paths, lastMidiFiles);
    }

    juce::String state, latest;
    int total;
    juce::String lastKey;
    juce::File lastRunFolder;
    juce::StringArray lastMidiFiles;
};
} // namespace

TEST (Slugify, MakesFileNameFragments)
{
    const std::pair<const char*, const char*> cases[] = {
        { "C# minor", "c_minor" },
        { "C minor", "c_minor" },
        { "Cloud Window", "cloud_window" },
        { "Bb major", "bb_major" },
        { "Rose (Late) Neo", "rose__late__neo" },
        { "Brisko MINOR 00042 - Sad Hopeful", "brisko_minor_00042_-_sad_hopeful" },
        { "a/b\\c:d;e,f.g|h+i(j)k[l]m{n}o", "a_b_c_d_e_f_g_h_i_j_k_l_m_n_o" },
        { "__Edge__", "edge" },
        { "..", "item" },
        { "#", "item" },
        { "", "item" },
    };

    for (const auto& [text, slug] : cases)
        EXPECT_EQ (slugify (text), slug) << text;

    EXPECT_EQ (slugify (juce::String::fromUTF8 ("Caf\xc3\xa9 F\xe2\x99\xaf Tr\xc3\xa4umerei")), "caf_f_trumerei");
}

TEST (GenerationRun, ASuccessfulRunFilesEverythingUnderItsNames)
{
    test::ScopedTemporaryHome home;
    HalvixAudioProcessor processor;
    juce::String error;

    ASSERT_TRUE (processor.generateTop3 ("C# minor", false, 120, "Emotional", error)) << error;

    // Run folder: time, milliseconds, random part, slug of the key asked for.
    const auto folder = processor.lastRunFolder;
    ASSERT_EQ (runFolders (home.exports()), juce::Array<juce::File> ({ folder }));
    EXPECT_EQ (folder.getParentDirectory(), home.exports());
    EXPECT_TRUE (std::regex_match (folder.getFileName().toStdString(), std::regex (R"(\d{8}_\d{6}_\d{3}_\d{3}_c_minor)"))) << folder.getFileName();

    EXPECT_EQ (processor.lastKey, "C# minor");
    EXPECT_EQ (processor.activeEngineModel, "Brisko");
    EXPECT_EQ (processor.lastTelemetry.engineModel, "Brisko");
    EXPECT_EQ (processor.totalGenerations, 1);
    EXPECT_EQ (processor.lastStatus, expectedStatus (processor, "Emotional"));
    EXPECT_TRUE (processor.lastStatus.startsWith ("Done | Key C# minor | Engine Brisko | Bounce "));
    EXPECT_TRUE (processor.lastStatus.endsWith (" | Complexity 58 | Tension 52 | Vibe Emotional | Total runs 1"));

    ASSERT_EQ (processor.lastVariations.size(), 3u);
    juce::StringArray expectedArchive;
    const auto summary = juce::JSON::parse (folder.getChildFile ("progressions.json"));
    ASSERT_EQ (summary["variations_ranked"].size(), 3);
    EXPECT_EQ (summary["key"].toString(), "C# minor");

    for (size_t i = 0; i < processor.lastVariations.size(); ++i)
    {
        const auto& v = processor.lastVariations[i];
        const auto rankName = "rank_" + juce::String (v.rank) + "_" + slugify (v.templateName) + ".mid";
        EXPECT_EQ (v.rank, (int) i + 1);
        EXPECT_EQ (v.midiFile, folder.getChildFile (rankName));
        EXPECT_TRUE (v.midiFile.existsAsFile());
        EXPECT_GT (v.midiFile.getSize(), 14);
        EXPECT_EQ (summary["variations_ranked"][(int) i]["midi_file"].toString(), v.midiFile.getFullPathName());

        const auto archived = home.exports().getChildFile ("all_midis").getChildFile (folder.getFileName() + "_c_minor_" + rankName);
        EXPECT_TRUE (archived.hasIdenticalContentTo (v.midiFile)) << archived.getFileName();
        expectedArchive.add (archived.getFileName());
    }

    // The engine's own files stay beside the rank-named copies.
    const auto names = childNames (folder);
    EXPECT_EQ (names.size(), 7);
    EXPECT_TRUE (names.contains ("progressions.json"));
    for (const auto& name : names)
    {
        if (! name.startsWith ("rank_") && name != "progressions.json")
        {
            EXPECT_TRUE (name.startsWith ("cs_minor_brisko_")) << name;
        }
    }

    expectedArchive.sort (false);
    EXPECT_EQ (childNames (home.exports().getChildFile ("all_midis")), expectedArchive);
    EXPECT_TRUE (home.exports().getChildFile ("halvix_latest.mid").hasIdenticalContentTo (processor.lastVariations[0].midiFile));
    EXPECT_EQ (home.stateFile().loadFileAsString(), R"({"total_generations": 1, "active_engine_model": "Brisko", "theme_accent_index": 0})");

    juce::MemoryBlock blob;
    processor.getStateInformation (blob);
    EXPECT_EQ (blob.toString(), R"({"total_generations": 1, "last_key": "C# minor", "active_engine_model": "Brisko"})");
}

TEST (GenerationRun, AVibeNamingAnEngineSelectsItAndIsSaved)
{
    test::ScopedTemporaryHome home;
    {
        HalvixAudioProcessor processor;
        juce::String error;

        ASSERT_TRUE (processor.generateTop3 ("Eb major", false, 90, "  zentri  ", error)) << error;
        EXPECT_EQ (processor.activeEngineModel, "Zentri");
        EXPECT_EQ (processor.lastTelemetry.bounceProfile, "Classic Locked");
        EXPECT_FALSE (processor.lastTelemetry.quantized);
        EXPECT_TRUE (processor.lastStatus.contains (" | Melody Off | "));
        EXPECT_TRUE (processor.lastStatus.contains (" | Vibe   zentri   | Total runs 1")); // untrimmed
        EXPECT_TRUE (processor.lastRunFolder.getFileName().endsWith ("_eb_major"));
        EXPECT_TRUE (home.stateFile().loadFileAsString().contains (R"("active_engine_model": "Zentri")"));

        // "Emotional" names no engine, so the run stays with the one just chosen.
        ASSERT_TRUE (processor.generateTop3 ("A minor", false, 90, "Emotional", error)) << error;
        EXPECT_EQ (processor.lastTelemetry.engineModel, "Zentri");
        EXPECT_EQ (processor.totalGenerations, 2);
    }

    const HalvixAudioProcessor restarted;
    EXPECT_EQ (restarted.activeEngineModel, "Zentri");
    EXPECT_EQ (restarted.totalGenerations, 2);
}

TEST (GenerationRun, RunsInTheSameSecondGetTheirOwnFolders)
{
    test::ScopedTemporaryHome home;
    HalvixAudioProcessor processor;
    processor.activeEngineModel = "Zentri";
    juce::String error;

    juce::StringArray folders;
    for (int i = 0; i < 3; ++i)
    {
        // A random key ignores the key text, even an empty one.
        ASSERT_TRUE (processor.generateTop3 ({}, true, 120, "Emotional", error)) << error;
        folders.addIfNotAlreadyThere (processor.lastRunFolder.getFileName());
        EXPECT_TRUE (processor.lastRunFolder.getFileName().endsWith ("_" + slugify (processor.lastKey))) << processor.lastRunFolder.getFileName();
        EXPECT_EQ (childNames (processor.lastRunFolder).size(), 7);
    }

    EXPECT_EQ (folders.size(), 3);
    EXPECT_EQ (runFolders (home.exports()).size(), 3);
    EXPECT_EQ (childNames (home.exports().getChildFile ("all_midis")).size(), 9);
}

TEST (GenerationRun, AnEngineFailureLeavesOnlyAnEmptyRunFolder)
{
    test::ScopedTemporaryHome home;
    HalvixAudioProcessor processor;
    juce::String error;
    ASSERT_TRUE (processor.generateTop3 ("D major", false, 120, "Orvell", error)) << error;

    const Snapshot before (processor);
    const auto telemetryBefore = processor.lastTelemetry;
    const auto archiveBefore = childNames (processor.allMidisDir);

    EXPECT_FALSE (processor.generateTop3 ("H major", false, 120, "Tandu", error));
    EXPECT_EQ (error, "Unsupported key: H");
    EXPECT_EQ (processor.lastStatus, "Generation failed");
    EXPECT_EQ (processor.activeEngineModel, "Orvell");
    EXPECT_EQ (processor.lastTelemetry.engineModel, telemetryBefore.engineModel);
    EXPECT_EQ (processor.lastTelemetry.bounceProfile, telemetryBefore.bounceProfile);
    before.expectUnchangedIn (processor);
    EXPECT_EQ (childNames (processor.allMidisDir), archiveBefore);

    const auto failed = home.exports().findChildFiles (juce::File::findDirectories, false, "*_h_major");
    ASSERT_EQ (failed.size(), 1);
    EXPECT_TRUE (childNames (failed[0]).isEmpty());

    EXPECT_FALSE (processor.generateTop3 ("   ", false, 120, "Emotional", error));
    EXPECT_EQ (error, "Key is empty.");

    // Failed runs are not counted at the next start either.
    const HalvixAudioProcessor restarted;
    EXPECT_EQ (restarted.totalGenerations, 1);
}

TEST (GenerationRun, ASummaryWriteFailureKeepsTheRankFilesButCountsNothing)
{
    test::ScopedTemporaryHome home;
    HalvixAudioProcessor processor;
    juce::String error;
    ASSERT_TRUE (processor.generateTop3 ("C minor", false, 120, "Orvell", error)) << error;

    juce::int64 largestMidi = 0;
    for (const auto& v : processor.lastVariations)
        largestMidi = juce::jmax (largestMidi, v.midiFile.getSize());

    const auto summarySize = processor.lastRunFolder.getChildFile ("progressions.json").getSize();
    if (largestMidi * 2 >= summarySize)
        GTEST_SKIP() << "MIDI files too large to fail only the summary write";

    const Snapshot before (processor);

    // A disk that fills up after the MIDI files but before the summary.
    bool ok = true;
    {
        const test::ScopedFileSizeLimit limit ((rlim_t) (largestMidi + summarySize) / 2);
        // Zentri's fixed-rhythm files are smaller than Orvell's.
        ok = processor.generateTop3 ("F# minor", false, 120, "  zentri", error);
    }

    ASSERT_FALSE (ok);
    // The slug drops the sharp: F# minor files as f_minor.
    const auto failed = home.exports().findChildFiles (juce::File::findDirectories, false, "*_f_minor");
    ASSERT_EQ (failed.size(), 1);
    EXPECT_EQ (error, "Failed to write progressions JSON: " + failed[0].getChildFile ("progressions.json").getFullPathName());
    EXPECT_EQ (processor.lastStatus, "Generation failed");
    before.expectUnchangedIn (processor);

    // What the run did before the summary stays: rank files, archive copies, telemetry.
    EXPECT_EQ (processor.lastTelemetry.engineModel, "Zentri");
    EXPECT_EQ (processor.activeEngineModel, "Zentri");
    const auto names = childNames (failed[0]);
    EXPECT_FALSE (names.contains ("progressions.json"));
    int rankFiles = 0;
    for (const auto& name : names)
        if (name.startsWith ("rank_"))
            ++rankFiles;
    EXPECT_EQ (rankFiles, 3);
    EXPECT_EQ (home.exports().getChildFile ("all_midis").findChildFiles (juce::File::findFiles, false, failed[0].getFileName() + "_f_minor_rank_*").size(), 3);

    // Without a summary the folder does not count as a run.
    const HalvixAudioProcessor restarted;
    EXPECT_EQ (restarted.totalGenerations, 1);
}

TEST (GenerationRun, StateBlobRoundTripChangesNothing)
{
    test::ScopedTemporaryHome home;
    HalvixAudioProcessor processor;
    juce::String error;
    ASSERT_TRUE (processor.generateTop3 ("G major", false, 120, "Tandu", error)) << error;

    juce::MemoryBlock blob;
    processor.getStateInformation (blob);
    const auto stateBefore = home.stateFile().loadFileAsString();

    processor.setStateInformation (blob.getData(), (int) blob.getSize());

    EXPECT_EQ (processor.totalGenerations, 1);
    EXPECT_EQ (processor.lastKey, "G major");
    EXPECT_EQ (processor.activeEngineModel, "Tandu");
    EXPECT_EQ (home.stateFile().loadFileAsString(), stateBefore);

    juce::MemoryBlock again;
    processor.getStateInformation (again);
    EXPECT_EQ (again, blob);
}

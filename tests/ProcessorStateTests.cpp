#include <gtest/gtest.h>

#include "PluginProcessor.h"
#include "ProcessorTestSupport.h"

using namespace halvix;

namespace
{
juce::String defaultStateText (int total)
{
    return "{\"total_generations\": " + juce::String (total) + ", \"active_engine_model\": \"Brisko\", \"theme_accent_index\": 0}";
}

juce::StringArray hiddenTemporaries (const juce::File& folder)
{
    juce::StringArray names;
    for (const auto& f : folder.findChildFiles (juce::File::findFiles, false, "*_temp*"))
        names.add (f.getFileName());
    return names;
}
} // namespace

TEST (ProcessorState, FirstStartCreatesTheFoldersAndWritesDefaults)
{
    test::ScopedTemporaryHome home;
    ASSERT_FALSE (home.exports().exists());

    const HalvixAudioProcessor processor;

    EXPECT_TRUE (home.exports().isDirectory());
    EXPECT_TRUE (home.exports().getChildFile ("all_midis").isDirectory());
    EXPECT_EQ (processor.totalGenerations, 0);
    EXPECT_EQ (processor.activeEngineModel, "Brisko");
    EXPECT_EQ (processor.themeAccentIndex, 0);
    EXPECT_TRUE (processor.themeBgImage.isEmpty());

    juce::MemoryBlock bytes;
    ASSERT_TRUE (home.stateFile().loadFileAsData (bytes));
    EXPECT_EQ (bytes.toString(), defaultStateText (0));
    EXPECT_TRUE (hiddenTemporaries (home.exports()).isEmpty());
}

struct LoadCase
{
    const char* name;
    const char* stateText; // nullptr: no state file
    int runFolders;
    int expectedTotal;
    const char* expectedEngine;
    int expectedAccent;
    bool rewritten;
};

class StateFileLoading : public testing::TestWithParam<LoadCase>
{
};

TEST_P (StateFileLoading, AppliesEachMemberOnItsOwn)
{
    const auto& c = GetParam();
    test::ScopedTemporaryHome home;

    for (int i = 0; i < c.runFolders; ++i)
        test::makeRunFolder (home.exports(), "run_" + juce::String (i));

    // Neither a failed run's folder nor the archive counts.
    home.exports().getChildFile ("failed_run").createDirectory();
    test::makeRunFolder (home.exports(), "all_midis");

    if (c.stateText != nullptr)
        test::writeFile (home.stateFile(), c.stateText);

    const HalvixAudioProcessor processor;

    EXPECT_EQ (processor.totalGenerations, c.expectedTotal);
    EXPECT_EQ (processor.activeEngineModel, c.expectedEngine);
    EXPECT_EQ (processor.themeAccentIndex, c.expectedAccent);

    const auto onDisk = home.stateFile().loadFileAsString();
    if (c.rewritten)
    {
        EXPECT_EQ (onDisk, "{\"total_generations\": " + juce::String (c.expectedTotal) + ", \"active_engine_model\": \"" + c.expectedEngine + "\", \"theme_accent_index\": " + juce::String (c.expectedAccent) + "}");
    }
    else
    {
        EXPECT_EQ (onDisk, c.stateText);
    }
}

INSTANTIATE_TEST_SUITE_P (
    Cases,
    StateFileLoading,
    testing::Values (
        LoadCase { "NoStateFile", nullptr, 2, 2, "Brisko", 0, true },
        LoadCase { "CounterBelowFolderCount", R"({"total_generations": 3, "active_engine_model": "Tandu", "theme_accent_index": 4})", 5, 5, "Tandu", 4, false },
        LoadCase { "CounterAboveFolderCount", R"({"total_generations": 17, "active_engine_model": "Orvell", "theme_accent_index": 5})", 5, 17, "Orvell", 5, false },
        LoadCase { "NegativeCounter", R"({"total_generations": -1, "active_engine_model": "Orvell", "theme_accent_index": 2})", 3, 3, "Orvell", 2, true },
        LoadCase { "MissingCounter", R"({"active_engine_model": "Tandu"})", 4, 4, "Tandu", 0, false },
        LoadCase { "AccentSix", R"({"total_generations": 1, "theme_accent_index": 6})", 0, 1, "Brisko", 0, false },
        LoadCase { "AccentMinusOne", R"({"total_generations": 1, "theme_accent_index": -1})", 0, 1, "Brisko", 0, false },
        LoadCase { "EngineAsWrittenButTrimmed", R"({"total_generations": 0, "active_engine_model": "zentri "})", 0, 0, "zentri", 0, false },
        LoadCase { "UnknownEngine", R"({"total_generations": 0, "active_engine_model": "Wobble"})", 0, 0, "Brisko", 0, false },
        LoadCase { "NumbersAsText", R"({"total_generations": "7", "theme_accent_index": "3"})", 0, 7, "Brisko", 3, false },
        LoadCase { "HugeCounterSaturates", R"({"total_generations": 1e300})", 0, 2147483647, "Brisko", 0, false },
        LoadCase { "NotJson", "total_generations = 9", 2, 2, "Brisko", 0, true },
        LoadCase { "JsonArray", "[9, \"Tandu\", 3]", 1, 1, "Brisko", 0, true },
        LoadCase { "EmptyFile", "", 1, 1, "Brisko", 0, true }),
    [] (const testing::TestParamInfo<LoadCase>& info)
    { return std::string (info.param.name); });

TEST (ProcessorState, BackgroundImageMustBeAnExistingAbsoluteFile)
{
    test::ScopedTemporaryHome home;
    const auto picture = home.dir().getChildFile ("pic.png");
    test::writeFile (picture, "not really a picture");

    // With the working folder holding pic.png, a relative path would find a file.
    const auto previousCwd = juce::File::getCurrentWorkingDirectory();
    home.dir().setAsCurrentWorkingDirectory();

    struct Case
    {
        juce::String stored;
        juce::String expected;
    };

    const Case cases[] = {
        { "  " + picture.getFullPathName() + " ", picture.getFullPathName() },
        { "pic.png", {} },
        { "./pic.png", {} },
        { home.dir().getChildFile ("gone.png").getFullPathName(), {} },
        { home.dir().getFullPathName(), {} }, // a folder, not a file
        { "", {} },
    };

    for (const auto& c : cases)
    {
        SCOPED_TRACE (c.stored.toStdString());
        auto* object = new juce::DynamicObject();
        object->setProperty ("total_generations", 2);
        object->setProperty ("theme_bg_image", c.stored);
        test::writeFile (home.stateFile(), juce::JSON::toString (juce::var (object), true));

        HalvixAudioProcessor processor;
        EXPECT_EQ (processor.themeBgImage, c.expected);

        // A dropped image is left out of the next save.
        processor.saveState();
        EXPECT_EQ (home.stateFile().loadFileAsString().contains ("theme_bg_image"), c.expected.isNotEmpty());
    }

    previousCwd.setAsCurrentWorkingDirectory();
}

TEST (ProcessorState, HostileStateFilesAreTreatedAsAbsent)
{
    test::ScopedTemporaryHome home;
    test::makeRunFolder (home.exports(), "run_a");

    auto write = [&] (const void* data, size_t size)
    {
        home.stateFile().deleteRecursively();
        home.exports().createDirectory();
        home.stateFile().replaceWithData (data, size);
    };

    const char invalidUtf8[] = "{\"total_generations\": 5, \"active_engine_model\": \"Tandu\xff\xfe\"}";
    // JUCE's own check takes a lead byte before any byte as a character.
    const char leadBeforeSpace[] = "{\"total_generations\": 5, \"active_engine_model\": \"Tandu\xd8 \"}";
    const juce::String deep = juce::String::repeatedString ("[", 100000) + juce::String::repeatedString ("]", 100000);
    const juce::String longNumber = R"({"total_generations": 77777777777777777777.5, "active_engine_model": "Tandu"})";
    const juce::String longExponent = R"({"total_generations": 1e+2995632212, "active_engine_model": "Tandu"})";
    const juce::String huge = "{\"total_generations\": 5, \"pad\": \"" + juce::String::repeatedString ("x", 200000) + "\"}";

    struct Case
    {
        const char* name;
        juce::MemoryBlock bytes;
    };

    const Case cases[] = {
        { "not UTF-8", juce::MemoryBlock (invalidUtf8, sizeof (invalidUtf8) - 1) },
        { "lead byte without continuation", juce::MemoryBlock (leadBeforeSpace, sizeof (leadBeforeSpace) - 1) },
        { "deeply nested", juce::MemoryBlock (deep.toRawUTF8(), deep.getNumBytesAsUTF8()) },
        { "huge", juce::MemoryBlock (huge.toRawUTF8(), huge.getNumBytesAsUTF8()) },
        { "number too long for the parser", juce::MemoryBlock (longNumber.toRawUTF8(), longNumber.getNumBytesAsUTF8()) },
        { "exponent too long for the parser", juce::MemoryBlock (longExponent.toRawUTF8(), longExponent.getNumBytesAsUTF8()) },
        { "binary zeros", juce::MemoryBlock (64, true) },
    };

    for (const auto& c : cases)
    {
        SCOPED_TRACE (c.name);
        write (c.bytes.getData(), c.bytes.getSize());

        const HalvixAudioProcessor processor;
        EXPECT_EQ (processor.totalGenerations, 1);
        EXPECT_EQ (processor.activeEngineModel, "Brisko");
        EXPECT_EQ (home.stateFile().loadFileAsString(), defaultStateText (1));
    }

    // A folder where the state file should be: nothing to read, and it cannot be replaced.
    home.stateFile().deleteRecursively();
    test::writeFile (home.stateFile().getChildFile ("inside"), "x");
    {
        const HalvixAudioProcessor processor;
        EXPECT_EQ (processor.totalGenerations, 1);
        EXPECT_TRUE (home.stateFile().getChildFile ("inside").existsAsFile());
    }

    // A state file with a byte-order mark is still read.
    home.stateFile().deleteRecursively();
    test::writeFile (home.stateFile(), juce::String::fromUTF8 ("\xef\xbb\xbf") + R"({"total_generations": 9, "active_engine_model": "Orvell"})");
    const HalvixAudioProcessor processor;
    EXPECT_EQ (processor.totalGenerations, 9);
    EXPECT_EQ (processor.activeEngineModel, "Orvell");
}

TEST (ProcessorState, SaveStateWritesMembersInOrderAndSurvivesAFailedWrite)
{
    test::ScopedTemporaryHome home;
    HalvixAudioProcessor processor;

    processor.totalGenerations = 12;
    processor.activeEngineModel = "zentri";
    processor.themeAccentIndex = 5;
    processor.themeBgImage = "/pictures/night \"sky\".png";
    processor.saveState();

    const juce::String expected = R"({"total_generations": 12, "active_engine_model": "zentri", "theme_accent_index": 5, "theme_bg_image": "/pictures/night \"sky\".png"})";
    EXPECT_EQ (home.stateFile().loadFileAsString(), expected);

    // A disk that fills up mid-write must leave the previous file whole.
    processor.totalGenerations = 13;
    {
        const test::ScopedFileSizeLimit limit (16);
        processor.saveState();
    }

    EXPECT_EQ (home.stateFile().loadFileAsString(), expected);
    EXPECT_TRUE (hiddenTemporaries (home.exports()).isEmpty());
    EXPECT_EQ (processor.totalGenerations, 13);
}

TEST (ProcessorState, ImportsAnOlderDesktopExportOnce)
{
    test::ScopedTemporaryHome home;
    const auto older = home.dir().getChildFile ("Desktop").getChildFile ("halvix_exports");

    test::writeFile (older.getChildFile ("all_midis/old_a.mid"), "older a");
    test::writeFile (older.getChildFile ("all_midis/old_b.mid"), "older b");
    test::writeFile (older.getChildFile ("all_midis/readme.txt"), "not midi");
    test::writeFile (older.getChildFile ("all_midis/nested/deep.mid"), "not direct");
    test::makeRunFolder (older, "20240101_101010_001_002_c_minor");
    test::writeFile (older.getChildFile ("20240101_101010_001_002_c_minor/rank_1_x.mid"), "rank");
    test::writeFile (older.getChildFile ("20240101_101010_001_002_c_minor/sub/inner.txt"), "inner");
    older.createSymbolicLink (older.getChildFile ("20240101_101010_001_002_c_minor/loop"), true);
    older.getChildFile ("no_summary").createDirectory();
    test::makeRunFolder (older, "taken");
    test::writeFile (older.getChildFile ("taken/extra.mid"), "older taken");

    // What the new export folder already has wins.
    test::writeFile (home.exports().getChildFile ("all_midis/old_a.mid"), "newer a");
    test::writeFile (home.exports().getChildFile ("taken/own.txt"), "mine");

    const auto olderTree = test::listTree (older);
    {
        const HalvixAudioProcessor processor;
        EXPECT_EQ (processor.totalGenerations, 1); // "taken" has no summary in the new folder
    }

    const auto exports = home.exports();
    EXPECT_EQ (exports.getChildFile ("all_midis/old_a.mid").loadFileAsString(), "newer a");
    EXPECT_EQ (exports.getChildFile ("all_midis/old_b.mid").loadFileAsString(), "older b");
    EXPECT_FALSE (exports.getChildFile ("all_midis/readme.txt").exists());
    EXPECT_FALSE (exports.getChildFile ("all_midis/nested").exists());
    EXPECT_EQ (exports.getChildFile ("20240101_101010_001_002_c_minor/rank_1_x.mid").loadFileAsString(), "rank");
    EXPECT_EQ (exports.getChildFile ("20240101_101010_001_002_c_minor/sub/inner.txt").loadFileAsString(), "inner");
    EXPECT_FALSE (exports.getChildFile ("20240101_101010_001_002_c_minor/loop").exists());
    EXPECT_FALSE (exports.getChildFile ("no_summary").exists());
    EXPECT_FALSE (exports.getChildFile ("taken/extra.mid").exists());
    EXPECT_EQ (test::listTree (exports.getChildFile ("taken")), juce::StringArray ("own.txt"));

    // A second start copies nothing again, and the older folder is never changed.
    exports.getChildFile ("all_midis/old_b.mid").replaceWithText ("edited since");
    const auto afterFirst = test::listTree (exports);
    {
        const HalvixAudioProcessor processor;
        EXPECT_EQ (processor.totalGenerations, 1);
    }

    EXPECT_EQ (test::listTree (exports), afterFirst);
    EXPECT_EQ (exports.getChildFile ("all_midis/old_b.mid").loadFileAsString(), "edited since");
    EXPECT_EQ (test::listTree (older), olderTree);
}

TEST (ProcessorState, TheDesktopFollowsTheUserDirsFile)
{
    test::ScopedTemporaryHome home;
    test::writeFile (home.dir().getChildFile (".config/user-dirs.dirs"), "XDG_DESKTOP_DIR=\"$HOME/Schreibtisch\"\n");
    test::makeRunFolder (home.dir().getChildFile ("Schreibtisch/halvix_exports"), "run_from_schreibtisch");
    test::makeRunFolder (home.dir().getChildFile ("Desktop/halvix_exports"), "run_from_plain_desktop");

    const HalvixAudioProcessor processor;
    EXPECT_TRUE (home.exports().getChildFile ("run_from_schreibtisch/progressions.json").existsAsFile());
    EXPECT_FALSE (home.exports().getChildFile ("run_from_plain_desktop").exists());
    EXPECT_EQ (processor.totalGenerations, 1);
}

TEST (ProcessorState, StateBlobIsReportedButNeverRestored)
{
    test::ScopedTemporaryHome home;
    HalvixAudioProcessor processor;
    processor.totalGenerations = 4;
    processor.lastKey = "Eb major";
    processor.activeEngineModel = "Tandu";

    juce::MemoryBlock blob ("leftover", 8);
    processor.getStateInformation (blob);
    EXPECT_EQ (blob.toString(), R"({"total_generations": 4, "last_key": "Eb major", "active_engine_model": "Tandu"})");
    EXPECT_NE (static_cast<const char*> (blob.getData())[blob.getSize() - 1], '\0');

    const auto stateBefore = home.stateFile().loadFileAsString();
    const juce::String foreign = R"({"total_generations": 99, "last_key": "A minor", "active_engine_model": "Zentri"})";
    const juce::MemoryBlock inputs[] = { blob, juce::MemoryBlock (foreign.toRawUTF8(), foreign.getNumBytesAsUTF8()), juce::MemoryBlock ("\x01\x02garbage", 9), {} };

    for (const auto& input : inputs)
    {
        processor.setStateInformation (input.getData(), (int) input.getSize());
        EXPECT_EQ (processor.totalGenerations, 4);
        EXPECT_EQ (processor.lastKey, "Eb major");
        EXPECT_EQ (processor.activeEngineModel, "Tandu");
    }

    processor.setStateInformation (nullptr, 0);
    juce::MemoryBlock again;
    processor.getStateInformation (again);
    EXPECT_EQ (again, blob);
    EXPECT_EQ (home.stateFile().loadFileAsString(), stateBefore);
}

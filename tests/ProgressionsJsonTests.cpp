#include <gtest/gtest.h>

#include "PluginProcessor.h"
#include "ProcessorTestSupport.h"

using namespace halvix;

namespace
{
VariationData fixtureVariation (const juce::File& folder)
{
    VariationData v;
    v.rank = 1;
    v.templateName = "Cloud \"Window\"";
    v.emotionalScore = 0.8125;
    v.midiFile = folder.getChildFile ("rank_1_cloud__window.mid");

    ChordData first;
    first.chordName = "C#min7";
    first.midiNotes = { "C#3", "E3", "G#3", "B3" };
    first.durationBeats = 4.0;
    first.startBeat = 0.0;
    first.velocityMin = 64;
    first.velocityMax = 90;

    ChordData silent; // no notes, default velocities
    silent.chordName = "Ebmaj7";
    silent.durationBeats = 2.0;
    silent.startBeat = 4.5;

    v.chords = { first, silent };
    return v;
}

void setFixtureTelemetry (HalvixAudioProcessor& processor)
{
    auto& t = processor.lastTelemetry;
    t.engineModel = "Brisko";
    t.templatePoolSize = 1500;
    t.bounceProfile = "Late Pocket";
    t.bounceProfileIndex = 0;
    t.bounceProfileCount = 12;
    t.quantized = true;
    t.melodyAdded = false;
    t.melodyNoteCount = 0;
}
} // namespace

TEST (ProgressionsJson, WritesTheExactSingleLineDocument)
{
    test::ScopedTemporaryHome home;
    HalvixAudioProcessor processor;
    setFixtureTelemetry (processor);

    const auto folder = home.dir().getChildFile ("run");
    folder.createDirectory();
    auto second = fixtureVariation (folder);
    second.rank = 2;
    second.templateName = "Bare";
    second.emotionalScore = 1.0;
    second.chords.clear();

    const auto file = folder.getChildFile ("progressions.json");
    juce::String error ("untouched");
    ASSERT_TRUE (processor.writeProgressionsJson ("C# minor", { fixtureVariation (folder), second }, file, error));
    EXPECT_EQ (error, "untouched");

    const auto path = folder.getChildFile ("rank_1_cloud__window.mid").getFullPathName();
    const auto expected = juce::String (R"({"key": "C# minor", "engine_model": "Brisko", "template_pool_size": 1500, )")
                          + R"("bounce_profile": "Late Pocket", "bounce_profile_index": 0, "bounce_profile_count": 12, )"
                          + R"("quantized": true, "melody_added": false, "melody_note_count": 0, "variations_ranked": [)"
                          + R"({"rank": 1, "template": "Cloud \"Window\"", "emotional_score": 0.8125, "midi_file": ")" + path + R"(", "chords": [)"
                          + R"({"chord_name": "C#min7", "midi_notes": ["C#3", "E3", "G#3", "B3"], "duration_beats": 4.0, "start_beat": 0.0, "velocity_range": [64, 90]}, )"
                          + R"({"chord_name": "Ebmaj7", "midi_notes": [], "duration_beats": 2.0, "start_beat": 4.5, "velocity_range": [70, 92]}]}, )"
                          + R"({"rank": 2, "template": "Bare", "emotional_score": 1.0, "midi_file": ")" + path + R"(", "chords": []}]})";

    juce::MemoryBlock bytes;
    ASSERT_TRUE (file.loadFileAsData (bytes));
    EXPECT_EQ (bytes.toString(), expected);
}

TEST (ProgressionsJson, NoVariationsGiveAnEmptyArray)
{
    test::ScopedTemporaryHome home;
    HalvixAudioProcessor processor;
    const auto file = home.dir().getChildFile ("p.json");
    juce::String error;

    ASSERT_TRUE (processor.writeProgressionsJson ("A minor", {}, file, error));
    EXPECT_TRUE (file.loadFileAsString().endsWith (R"("melody_note_count": 0, "variations_ranked": []})"));
    EXPECT_TRUE (file.loadFileAsString().startsWith (R"({"key": "A minor", "engine_model": "Zentri", "template_pool_size": 0, "bounce_profile": "Default")"));
}

TEST (ProgressionsJson, ReplacesAnEarlierDocumentWhole)
{
    test::ScopedTemporaryHome home;
    HalvixAudioProcessor processor;
    const auto folder = home.dir().getChildFile ("run");
    folder.createDirectory();
    const auto file = folder.getChildFile ("progressions.json");
    juce::String error;

    test::writeFile (file, juce::String::repeatedString ("x", 10000));
    ASSERT_TRUE (processor.writeProgressionsJson ("C# minor", { fixtureVariation (folder) }, file, error));
    ASSERT_TRUE (processor.writeProgressionsJson ("D major", {}, file, error));

    const auto parsed = juce::JSON::parse (file.loadFileAsString());
    EXPECT_EQ (parsed["key"].toString(), "D major");
    EXPECT_EQ (parsed["variations_ranked"].size(), 0);
    EXPECT_EQ (folder.getNumberOfChildFiles (juce::File::findFilesAndDirectories | juce::File::ignoreHiddenFiles), 1);
}

TEST (ProgressionsJson, AFailedWriteReportsThePathAndLeavesNoPartialFile)
{
    test::ScopedTemporaryHome home;
    HalvixAudioProcessor processor;

    const auto missing = home.dir().getChildFile ("no_such_folder").getChildFile ("progressions.json");
    juce::String error ("earlier text");
    EXPECT_FALSE (processor.writeProgressionsJson ("C# minor", {}, missing, error));
    EXPECT_EQ (error, "Failed to write progressions JSON: " + missing.getFullPathName());
    EXPECT_FALSE (missing.getParentDirectory().exists());

    // A disk that fills up half-way: the old document stays and no temporary is left.
    const auto folder = home.dir().getChildFile ("run");
    const auto file = folder.getChildFile ("progressions.json");
    test::writeFile (file, "previous");
    bool written = true;
    {
        const test::ScopedFileSizeLimit limit (100);
        written = processor.writeProgressionsJson ("C# minor", { fixtureVariation (folder) }, file, error);
    }

    EXPECT_FALSE (written);
    EXPECT_EQ (error, "Failed to write progressions JSON: " + file.getFullPathName());
    EXPECT_EQ (file.loadFileAsString(), "previous");
    EXPECT_EQ (test::listTree (folder), juce::StringArray ("progressions.json"));
}

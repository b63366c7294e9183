#include <gtest/gtest.h>

#include "GenerationEngine.h"
#include "MidiTestSupport.h"

#include <tuple>
#include <unistd.h>

using namespace halvix;
using halvix::testing::readWithMido;
using halvix::testing::ScratchFolder;

namespace
{
// channel, note, on tick, off tick, velocity
using Note = std::tuple<int, int, int, int, int>;

ChordRender chord (std::vector<int> notes, double start, double beats, int velocityMin, int velocityMax)
{
    ChordRender render;
    render.name = "X";
    render.midiNotes = std::move (notes);
    render.startBeat = start;
    render.durationBeats = beats;
    render.velocityMin = velocityMin;
    render.velocityMax = velocityMax;
    return render;
}

std::vector<Note> notesOf (juce::MidiMessageSequence track)
{
    track.updateMatchedPairs();
    std::vector<Note> notes;
    for (auto* event : track)
    {
        if (! event->message.isNoteOn())
            continue;
        EXPECT_NE (event->noteOffObject, nullptr);
        const auto off = event->noteOffObject != nullptr ? juce::roundToInt (event->noteOffObject->message.getTimeStamp()) : -1;
        notes.emplace_back (event->message.getChannel(),
                            event->message.getNoteNumber(),
                            juce::roundToInt (event->message.getTimeStamp()),
                            off,
                            event->message.getVelocity());
    }
    std::sort (notes.begin(), notes.end(), [] (const Note& a, const Note& b)
               { return std::tie (std::get<2> (a), std::get<0> (a), std::get<1> (a)) < std::tie (std::get<2> (b), std::get<0> (b), std::get<1> (b)); });
    return notes;
}

std::vector<Note> notesOf (const juce::var& dump)
{
    std::vector<Note> notes;
    if (auto* list = dump["notes"].getArray())
        for (const auto& n : *list)
            notes.emplace_back ((int) n["channel"], (int) n["note"], (int) n["on"], (int) n["off"], (int) n["velocity"]);
    return notes;
}

KeySpec keyOf (const char* text)
{
    KeySpec key;
    String resolved, error;
    EXPECT_TRUE (parseKey (text, key, resolved, error)) << error;
    return key;
}

// Chords chosen to exercise the early start inside a bar, the strum, negative times and velocity limits.
std::vector<ChordRender> fixedRhythmChords()
{
    return {
        chord ({ 40, 55, 70 }, 8.0, 4.0, 70, 92),
        chord ({ 45, 60 }, 6.0, 2.0, 60, 60),
        chord ({ 50, 62 }, 0.0, 0.0, 100, 90),
        chord ({}, 4.0, 4.0, 70, 92),
        chord ({ 64 }, 12.5, 1.0, 0, 0),
    };
}

// Worked out by hand for template index 2.
const std::vector<Note> expectedFixedRhythm {
    { 1, 50, 0, 30, 100 },
    { 1, 62, 2, 32, 100 },
    { 1, 45, 2862, 3806, 60 },
    { 1, 60, 2865, 3808, 60 },
    { 1, 40, 3832, 5738, 92 },
    { 1, 55, 3836, 5740, 76 },
    { 1, 70, 3839, 5742, 83 },
    { 1, 64, 5991, 6450, 1 },
};

struct Written
{
    bool ok = false;
    File file;
    String error;
};

Written writeFixed (const File& folder, int bpm, const std::vector<ChordRender>& renders, int rank = 1, int templateIndex = 2)
{
    const auto key = keyOf ("F");
    GenerationOptions options;
    options.engineId = "Zentri";
    Written result;
    int melody = -1;
    result.ok = writeVariationMidi (key, scalePitchClasses (key), options, bpm, folder, rank, renders, templateIndex, nullptr, result.file, melody, result.error);
    EXPECT_EQ (melody, 0);
    return result;
}
} // namespace

TEST (MidiFileName, FixedAndBounceNames)
{
    GenerationOptions zentri;
    zentri.engineId = "Zentri";
    GenerationOptions brisko;
    brisko.engineId = "Brisko";
    GenerationOptions tandu;
    tandu.engineId = "Tandu";

    BounceProfile seven;
    seven.id = 7;
    BounceProfile thirtyOne;
    thirtyOne.id = 31;
    BounceProfile large;
    large.id = 12345;

    EXPECT_EQ (midiFileName (keyOf ("F"), zentri, 2, 13, nullptr), "f_major_zentri_rank_2_014.mid");
    EXPECT_EQ (midiFileName (keyOf ("Bb minor"), zentri, 10, 1233, nullptr), "bb_minor_zentri_rank_10_1234.mid");
    EXPECT_EQ (midiFileName (keyOf ("C# minor"), brisko, 1, 99, &seven), "cs_minor_brisko_b007_rank_1.mid");
    EXPECT_EQ (midiFileName (keyOf ("Am"), tandu, 3, 0, &thirtyOne), "a_minor_tandu_b0031_rank_3.mid");
    EXPECT_EQ (midiFileName (keyOf ("E"), tandu, 1, 0, &large), "e_major_tandu_b12345_rank_1.mid");
}

TEST (FixedRhythm, TickArithmeticStrumAndVelocities)
{
    juce::MidiMessageSequence track;
    addFixedRhythm (track, fixedRhythmChords(), 2);
    EXPECT_EQ (notesOf (track), expectedFixedRhythm);

    for (auto* event : track)
        EXPECT_GE (event->message.getTimeStamp(), 0.0);
}

TEST (FixedRhythm, SameChordsGiveTheSameEvents)
{
    juce::MidiMessageSequence first, second;
    addFixedRhythm (first, fixedRhythmChords(), 5);
    addFixedRhythm (second, fixedRhythmChords(), 5);
    EXPECT_EQ (notesOf (first), notesOf (second));
}

TEST (MidiWriter, FrameAndNotesAsAnIndependentReaderSeesThem)
{
    ScratchFolder scratch;
    const auto written = writeFixed (scratch.folder, 120, fixedRhythmChords(), 2, 13);
    ASSERT_TRUE (written.ok) << written.error;
    EXPECT_EQ (written.file, scratch.folder.getChildFile ("f_major_zentri_rank_2_014.mid"));

    String problem;
    const auto dump = readWithMido (written.file, problem);
    ASSERT_TRUE (dump.isObject()) << problem;

    EXPECT_EQ ((int) dump["format"], 1);
    EXPECT_EQ ((int) dump["ticks_per_beat"], 480);
    ASSERT_EQ (dump["tracks"].size(), 2);
    EXPECT_EQ ((int) dump["tracks"][0]["notes"], 0);
    EXPECT_EQ ((int) dump["hanging"], 0);
    EXPECT_EQ ((int) dump["stray_offs"], 0);

    ASSERT_EQ (dump["tempos"].size(), 1);
    EXPECT_EQ ((int) dump["tempos"][0]["track"], 0);
    EXPECT_EQ ((int) dump["tempos"][0]["tick"], 0);
    EXPECT_EQ ((int) dump["tempos"][0]["micros"], 500000);

    ASSERT_EQ (dump["time_signatures"].size(), 1);
    const auto& metre = dump["time_signatures"][0];
    EXPECT_EQ ((int) metre["track"], 0);
    EXPECT_EQ ((int) metre["numerator"], 4);
    EXPECT_EQ ((int) metre["denominator"], 4);
    EXPECT_EQ ((int) metre["clocks_per_click"], 1);
    EXPECT_EQ ((int) metre["notated_32nds"], 96);

    ASSERT_EQ (dump["programs"].size(), 1);
    EXPECT_EQ ((int) dump["programs"][0]["track"], 0);
    EXPECT_EQ ((int) dump["programs"][0]["channel"], 1);
    EXPECT_EQ ((int) dump["programs"][0]["program"], 4);

    // Template index 13 shifts the velocities; everything else matches the hand-worked rhythm.
    juce::MidiMessageSequence expected;
    addFixedRhythm (expected, fixedRhythmChords(), 13);
    EXPECT_EQ (notesOf (dump), notesOf (expected));

    if (auto* list = dump["notes"].getArray())
        for (const auto& n : *list)
        {
            EXPECT_EQ ((int) n["track"], 1);
            EXPECT_EQ ((int) n["off_velocity"], 0);
        }
}

TEST (MidiWriter, HandWorkedNotesSurviveTheRoundTrip)
{
    ScratchFolder scratch;
    const auto written = writeFixed (scratch.folder, 90, fixedRhythmChords());
    ASSERT_TRUE (written.ok) << written.error;

    String problem;
    const auto dump = readWithMido (written.file, problem);
    ASSERT_TRUE (dump.isObject()) << problem;
    EXPECT_EQ (notesOf (dump), expectedFixedRhythm);
}

TEST (MidiWriter, APitchRepeatedWhileItSoundsIsNotCutShort)
{
    // The seventh note of the first chord strums late (+11) and ends 5 ticks past the
    // start of the next chord, whose lowest note (strum -4) is the same pitch.
    const std::vector<ChordRender> renders {
        chord ({ 40, 44, 47, 50, 53, 56, 60 }, 0.0, 2.0, 70, 70),
        chord ({ 60, 64, 67 }, 2.0, 2.0, 70, 70),
    };
    // Paired naively, the earlier note-off (947) ends the repeated note after 5 ticks.
    juce::MidiMessageSequence naive;
    addFixedRhythm (naive, renders, 0);
    const auto naiveNotes = notesOf (naive);
    const auto repeated = std::find_if (naiveNotes.begin(), naiveNotes.end(), [] (const Note& n)
                                        { return std::get<1> (n) == 60 && std::get<2> (n) == 942; });
    ASSERT_NE (repeated, naiveNotes.end());
    ASSERT_EQ (std::get<3> (*repeated), 947);

    ScratchFolder scratch;
    const auto written = writeFixed (scratch.folder, 120, renders, 1, 0);
    ASSERT_TRUE (written.ok) << written.error;

    String problem;
    const auto dump = readWithMido (written.file, problem);
    ASSERT_TRUE (dump.isObject()) << problem;
    EXPECT_EQ ((int) dump["stray_offs"], 0);
    EXPECT_EQ ((int) dump["hanging"], 0);

    std::vector<std::pair<int, int>> sixties;
    for (const auto& n : notesOf (dump))
        if (std::get<1> (n) == 60)
            sixties.emplace_back (std::get<2> (n), std::get<3> (n));
    // The first ends where the second begins; the second keeps its full length.
    EXPECT_EQ (sixties, (std::vector<std::pair<int, int>> { { 11, 942 }, { 942, 1886 } }));
}

TEST (MidiWriter, TempoAlwaysFitsItsThreeBytes)
{
    struct Case
    {
        int bpm, micros;
    };
    const Case cases[] = { { 120, 500000 }, { 50, 1200000 }, { 220, 272727 }, { 4, 15000000 }, { 3, 0xffffff }, { 1, 0xffffff }, { 0, 0xffffff }, { -40, 0xffffff } };

    for (const auto& c : cases)
    {
        ScratchFolder scratch;
        const auto written = writeFixed (scratch.folder, c.bpm, fixedRhythmChords());
        ASSERT_TRUE (written.ok) << written.error;

        String problem;
        const auto dump = readWithMido (written.file, problem);
        ASSERT_TRUE (dump.isObject()) << problem;
        EXPECT_EQ ((int) dump["tempos"][0]["micros"], c.micros) << c.bpm << " bpm";
    }
}

TEST (MidiWriter, CreatesMissingFoldersAndReplacesAnOldFile)
{
    ScratchFolder scratch;
    const auto nested = scratch.folder.getChildFile ("run").getChildFile ("deeper");

    auto many = fixedRhythmChords();
    for (int i = 0; i < 20; ++i)
        many.push_back (chord ({ 40 + i, 70 + i }, i * 0.5, 0.5, 70, 80));

    const auto first = writeFixed (nested, 120, many);
    ASSERT_TRUE (first.ok) << first.error;
    const auto bigSize = first.file.getSize();

    const auto second = writeFixed (nested, 120, fixedRhythmChords());
    ASSERT_TRUE (second.ok) << second.error;
    EXPECT_EQ (second.file, first.file);
    EXPECT_LT (second.file.getSize(), bigSize);

    String problem;
    const auto dump = readWithMido (second.file, problem);
    ASSERT_TRUE (dump.isObject()) << problem;
    EXPECT_EQ (notesOf (dump), expectedFixedRhythm);
}

TEST (MidiWriter, ReportsFilesThatCannotBeOpened)
{
    ScratchFolder scratch;

    // A folder that cannot exist because a plain file holds its parent's name.
    const auto blocker = scratch.folder.getChildFile ("blocker");
    ASSERT_TRUE (blocker.replaceWithText ("x"));
    const auto impossible = blocker.getChildFile ("sub");
    const auto failed = writeFixed (impossible, 120, fixedRhythmChords(), 1, 0);
    EXPECT_FALSE (failed.ok);
    EXPECT_EQ (failed.error, "Failed to open MIDI file for writing: " + impossible.getChildFile ("f_major_zentri_rank_1_001.mid").getFullPathName());

    // A directory sitting where the file should go.
    const auto occupied = scratch.folder.getChildFile ("f_major_zentri_rank_1_001.mid");
    ASSERT_TRUE (occupied.createDirectory());
    const auto blocked = writeFixed (scratch.folder, 120, fixedRhythmChords(), 1, 0);
    EXPECT_FALSE (blocked.ok);
    EXPECT_EQ (blocked.error, "Failed to open MIDI file for writing: " + occupied.getFullPathName());
}

TEST (MidiWriter, ReportsDataThatCannotBeWritten)
{
    const File full ("/dev/full");
    if (! full.exists())
        GTEST_SKIP() << "no /dev/full here";

    ScratchFolder scratch;
    const auto target = scratch.folder.getChildFile ("f_major_zentri_rank_1_001.mid");
    ASSERT_EQ (symlink ("/dev/full", target.getFullPathName().toRawUTF8()), 0);

    const auto failed = writeFixed (scratch.folder, 120, fixedRhythmChords(), 1, 0);
    EXPECT_FALSE (failed.ok);
    EXPECT_EQ (failed.error, "Failed to write MIDI data: " + target.getFullPathName());
}

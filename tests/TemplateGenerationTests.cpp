#include <gtest/gtest.h>

#include "GenerationEngine.h"
#include "MidiTestSupport.h"

#include <algorithm>
#include <set>

using namespace halvix;
using halvix::testing::readWithMido;
using halvix::testing::ScratchFolder;

namespace
{
KeySpec keyOf (const char* text)
{
    KeySpec key;
    String resolved, error;
    EXPECT_TRUE (parseKey (text, key, resolved, error)) << error;
    return key;
}

struct Step
{
    int degree;
    const char* quality;
    int inversion;
    int bar;
    int top;
};

// Plans and renders for a score: only the top note, bar, quality, inversion and degree matter.
double scoreOf (const std::vector<Step>& steps)
{
    std::vector<ChordPlan> plans;
    std::vector<ChordRender> renders;
    for (const auto& s : steps)
    {
        plans.push_back ({ s.degree, s.quality, 2.0, s.bar, "movement", s.inversion });
        ChordRender render;
        render.midiNotes = { 40, s.top };
        render.bar = s.bar;
        renders.push_back (render);
    }
    return emotionalScore (plans, renders);
}

struct Run
{
    bool ok = false;
    String error;
    GenerationTelemetry telemetry;
    std::vector<VariationData> results;
};

Run generate (const KeySpec& key,
              const File& folder,
              const TemplateTable& table,
              const GenerationOptions& options,
              const BounceProfile* profile,
              bool fixedRhythm)
{
    Run run;
    run.telemetry.templatePoolSize = -7; // shows whether the run touched it
    run.telemetry.melodyNoteCount = -7;
    run.ok = generateWithTemplates (key, 120, folder, table, options, profile, fixedRhythm, run.telemetry, run.results, run.error);
    return run;
}

GenerationOptions optionsFor (const char* engine, int count, bool melody = true)
{
    GenerationOptions options;
    options.engineId = engine;
    options.variationCount = count;
    options.melody = melody;
    return options;
}

// Many small templates with varied openings, for the lottery.
TemplateTable syntheticTable (int count)
{
    const char* qualities[] = { "triad", "maj7", "add9", "sus2", "min7_add9", "9" };
    TemplateTable table;
    for (int i = 0; i < count; ++i)
    {
        std::vector<ChordPlan> plans;
        for (int c = 0; c < 2; ++c)
            plans.push_back ({ 1 + (i * 3 + c * 5) % 7, qualities[(i + c) % 6], 2.0, 1 + c * 2, c == 0 ? "foundation" : "lift", (i + c) % 3 });
        table.emplace_back ("T" + String (i), plans);
    }
    return table;
}

int indexInTable (const TemplateTable& table, const String& name)
{
    for (size_t i = 0; i < table.size(); ++i)
        if (table[i].first == name)
            return static_cast<int> (i);
    return -1;
}
} // namespace

TEST (EmotionalScore, HandComputedTemplates)
{
    // Leaps of 2, equal bar 1 and bar 3 tops, plain chords, ending on the tonic: 7 - 2.
    EXPECT_DOUBLE_EQ (scoreOf ({ { 1, "triad", 0, 1, 60 }, { 4, "triad", 0, 2, 62 }, { 5, "triad", 0, 3, 60 }, { 1, "triad", 0, 4, 62 } }), 5.0);
    // The same ending on the dominant earns the open ending.
    EXPECT_DOUBLE_EQ (scoreOf ({ { 1, "triad", 0, 1, 60 }, { 4, "triad", 0, 2, 62 }, { 5, "triad", 0, 3, 60 }, { 5, "triad", 0, 4, 62 } }), 5.4);
    // 5 (leaps 2, 3, 1) + colour 1.8 + 2.6 + 1.8 + inversions 1.4 + lift 0.35 * (65 - 61) + ending 0.4.
    EXPECT_DOUBLE_EQ (scoreOf ({ { 1, "add9", 1, 1, 60 }, { 4, "sus2_add9", 0, 1, 62 }, { 5, "maj7", 2, 3, 65 }, { 6, "9", 0, 4, 64 } }), 14.4);
    // Only "sus" words, "add9" anywhere and the bare "9" colour a chord.
    EXPECT_DOUBLE_EQ (scoreOf ({ { 1, "sus4", 0, 2, 60 }, { 1, "maj9", 0, 2, 60 }, { 1, "min7_add9", 0, 2, 60 } }), 7.0 + 0.8 + 1.8);
    // A falling top line from bar 1 to bar 3 adds nothing; huge leaps bottom out at 0.
    EXPECT_DOUBLE_EQ (scoreOf ({ { 1, "triad", 0, 1, 90 }, { 1, "triad", 0, 3, 40 } }), 0.0);
    EXPECT_DOUBLE_EQ (emotionalScore ({}, {}), 0.0);
}

TEST (EmotionalScore, RoundsToThreeDecimalsTiesToEven)
{
    // Mean leap 1/3.
    EXPECT_DOUBLE_EQ (scoreOf ({ { 1, "triad", 0, 2, 60 }, { 1, "triad", 0, 2, 61 }, { 1, "triad", 0, 2, 61 }, { 1, "triad", 0, 2, 61 } }), 6.667);

    // Seventeen chords whose mean leap is k / 16 put the score exactly halfway between thousandths.
    auto withLeaps = [] (int ones)
    {
        std::vector<Step> steps { { 1, "triad", 0, 2, 60 } };
        for (int i = 0; i < 16; ++i)
            steps.push_back ({ 1, "triad", 0, 2, steps.back().top + (i < ones ? 1 : 0) });
        return scoreOf (steps);
    };
    EXPECT_DOUBLE_EQ (withLeaps (15), 6.062); // 6.0625
    EXPECT_DOUBLE_EQ (withLeaps (11), 6.312); // 6.3125
    EXPECT_DOUBLE_EQ (withLeaps (13), 6.188); // 6.1875
}

TEST (Lottery, WeightFactors)
{
    const std::vector<int> none;
    const std::vector<String> noNames;

    EXPECT_DOUBLE_EQ (lotteryWeight (5.0, 4.0, false, 2, "Dm", none, noNames, false), 1.08);
    EXPECT_DOUBLE_EQ (lotteryWeight (3.0, 4.0, false, 2, "Dm", none, noNames, false), 0.02);
    EXPECT_DOUBLE_EQ (lotteryWeight (4.0, 4.0, false, 2, "Dm", none, noNames, false), 0.08);

    struct FirstPick
    {
        int degree;
        bool minor;
        double factor;
    };
    const FirstPick firstPicks[] = { { 1, false, 0.92 }, { 1, true, 0.88 }, { 4, false, 1.04 }, { 4, true, 1.06 }, { 6, false, 1.08 }, { 6, true, 1.12 }, { 5, false, 1.0 }, { 7, true, 1.0 } };
    for (const auto& p : firstPicks)
    {
        EXPECT_DOUBLE_EQ (lotteryWeight (5.0, 4.0, p.minor, p.degree, "X", none, noNames, false), 1.08 * p.factor) << p.degree;
        // Once something is chosen the opening-degree nudge is gone.
        EXPECT_DOUBLE_EQ (lotteryWeight (5.0, 4.0, p.minor, p.degree, "X", { 3 }, { "Y" }, true), 1.08) << p.degree;
    }

    EXPECT_DOUBLE_EQ (lotteryWeight (5.0, 4.0, false, 2, "Dm", { 2 }, { "Em" }, true), 1.08 * 0.34);
    EXPECT_DOUBLE_EQ (lotteryWeight (5.0, 4.0, false, 2, "Dm", { 5 }, { "Dm" }, true), 1.08 * 0.26);
    EXPECT_DOUBLE_EQ (lotteryWeight (5.0, 4.0, false, 2, "Dm", { 5, 2 }, { "C", "Dm" }, true), 1.08 * 0.34 * 0.26);
}

TEST (GenerateWithTemplates, ZentriRunsWriteThreeRankedFiles)
{
    for (const auto* keyText : { "F major", "C# minor" })
    {
        ScratchFolder scratch;
        const auto key = keyOf (keyText);
        const auto& table = key.mode == "minor" ? zentriMinorTemplates : zentriMajorTemplates;

        globalRng().seed (31);
        const auto all = generate (key, scratch.folder.getChildFile ("all"), table, optionsFor ("Zentri", 0, false), nullptr, true);
        globalRng().seed (31);
        const auto run = generate (key, scratch.folder, table, optionsFor ("Zentri", 3, false), nullptr, true);

        ASSERT_TRUE (run.ok) << run.error;
        ASSERT_EQ (run.results.size(), 3u);
        ASSERT_EQ (all.results.size(), 9u);
        EXPECT_EQ (run.telemetry.templatePoolSize, 9);
        EXPECT_EQ (run.telemetry.melodyNoteCount, 0);
        EXPECT_FALSE (run.telemetry.melodyAdded);

        for (size_t r = 0; r < 3; ++r)
        {
            const auto& v = run.results[r];
            // Fixed rhythm takes exactly the top of the ranking.
            EXPECT_EQ (v.templateName, all.results[r].templateName);
            EXPECT_EQ (v.emotionalScore, all.results[r].emotionalScore);
            EXPECT_EQ (v.rank, (int) r + 1);
            if (r > 0)
            {
                EXPECT_GE (run.results[r - 1].emotionalScore, v.emotionalScore);
            }

            const int index = indexInTable (table, v.templateName);
            ASSERT_GE (index, 0);
            EXPECT_EQ (v.midiFile, scratch.folder.getChildFile (midiFileName (key, optionsFor ("Zentri", 3), (int) r + 1, index, nullptr)));
            EXPECT_TRUE (v.midiFile.existsAsFile());

            const auto& plans = table[(size_t) index].second;
            const auto starts = planStartBeats (plans);
            ASSERT_EQ (v.chords.size(), 6u);
            for (size_t c = 0; c < 6; ++c)
            {
                const auto& chord = v.chords[c];
                EXPECT_EQ (chord.startBeat, starts[c]);
                EXPECT_EQ (chord.durationBeats, plans[c].durationBeats);
                EXPECT_TRUE (chord.chordName.startsWith (pitchClassName (scalePitchClasses (key)[(size_t) plans[c].degree - 1], key.useSharps)));
                EXPECT_GE (chord.midiNotes.size(), 2);
                EXPECT_LE (chord.midiNotes.size(), 7);
                EXPECT_LE (chord.velocityMin, chord.velocityMax);
            }

            String problem;
            const auto dump = readWithMido (v.midiFile, problem);
            ASSERT_TRUE (dump.isObject()) << problem;
            EXPECT_EQ ((int) dump["format"], 1);
            EXPECT_EQ ((int) dump["hanging"], 0);

            int notes = 0;
            for (const auto& chord : v.chords)
                notes += chord.midiNotes.size();
            EXPECT_EQ (dump["notes"].size(), notes);
            for (const auto& n : *dump["notes"].getArray())
                EXPECT_EQ ((int) n["channel"], 1);
        }

        // The whole folder holds the three results and the full run's folder, nothing else.
        EXPECT_EQ (scratch.folder.getNumberOfChildFiles (File::findFiles), 3);
    }
}

TEST (GenerateWithTemplates, NoteNamesFollowTheKeysSpelling)
{
    ScratchFolder scratch;
    globalRng().seed (12);
    const auto run = generate (keyOf ("Eb"), scratch.folder, zentriMajorTemplates, optionsFor ("Zentri", 0, false), nullptr, true);
    ASSERT_TRUE (run.ok) << run.error;
    for (const auto& v : run.results)
        for (const auto& chord : v.chords)
        {
            EXPECT_FALSE (chord.chordName.containsChar ('#')) << chord.chordName;
            for (const auto& name : chord.midiNotes)
                EXPECT_FALSE (name.containsChar ('#')) << name;
        }
}

TEST (GenerateWithTemplates, ReseededRunsWriteIdenticalFiles)
{
    const auto key = keyOf ("A minor");
    const auto& profile = tanduBounceProfiles()[31];
    const auto table = syntheticTable (60);

    struct Mode
    {
        const TemplateTable* table;
        const char* engine;
        const BounceProfile* profile;
        bool fixed;
    };
    const Mode modes[] = { { &zentriMinorTemplates, "Zentri", nullptr, true }, { &table, "Tandu", &profile, false } };

    for (const auto& mode : modes)
    {
        ScratchFolder first, second;
        globalRng().seed (555);
        const auto a = generate (key, first.folder, *mode.table, optionsFor (mode.engine, 3), mode.profile, mode.fixed);
        globalRng().seed (555);
        const auto b = generate (key, second.folder, *mode.table, optionsFor (mode.engine, 3), mode.profile, mode.fixed);
        ASSERT_TRUE (a.ok && b.ok);
        ASSERT_EQ (a.results.size(), 3u);
        ASSERT_EQ (b.results.size(), 3u);

        for (size_t r = 0; r < 3; ++r)
        {
            EXPECT_EQ (a.results[r].templateName, b.results[r].templateName);
            EXPECT_EQ (a.results[r].midiFile.getFileName(), b.results[r].midiFile.getFileName());
            juce::MemoryBlock bytesA, bytesB;
            ASSERT_TRUE (a.results[r].midiFile.loadFileAsData (bytesA));
            ASSERT_TRUE (b.results[r].midiFile.loadFileAsData (bytesB));
            EXPECT_GT (bytesA.getSize(), 0u);
            EXPECT_TRUE (bytesA == bytesB) << mode.engine << " rank " << r + 1;
        }
        EXPECT_EQ (a.telemetry.melodyNoteCount, b.telemetry.melodyNoteCount);
    }
}

TEST (GenerateWithTemplates, HowManyResults)
{
    const auto key = keyOf ("G");
    const TemplateTable four (zentriMajorTemplates.begin(), zentriMajorTemplates.begin() + 4);
    const auto& profile = orvellBounceProfiles()[5];

    struct Case
    {
        int requested, expected;
    };
    const Case cases[] = { { 0, 4 }, { -3, 4 }, { 10, 4 }, { 2, 2 }, { 1, 1 } };

    for (const bool fixed : { true, false })
        for (const auto& c : cases)
        {
            ScratchFolder scratch;
            globalRng().seed (9);
            const auto run = generate (key, scratch.folder, four, optionsFor (fixed ? "Zentri" : "Orvell", c.requested), fixed ? nullptr : &profile, fixed);
            ASSERT_TRUE (run.ok) << run.error;
            ASSERT_EQ ((int) run.results.size(), c.expected) << c.requested << (fixed ? " fixed" : " bounce");
            EXPECT_EQ (scratch.folder.getNumberOfChildFiles (File::findFiles), c.expected);

            std::set<String> names;
            for (const auto& v : run.results)
                names.insert (v.templateName);
            EXPECT_EQ ((int) names.size(), c.expected) << "a template was chosen twice";
        }

    // A bounce run without a profile uses a neutral one rather than failing.
    ScratchFolder scratch;
    const auto run = generate (key, scratch.folder, four, optionsFor ("Orvell", 1), nullptr, false);
    ASSERT_TRUE (run.ok);
    EXPECT_EQ (run.results[0].midiFile.getFileName(), "g_major_orvell_b000_rank_1.mid");
}

TEST (GenerateWithTemplates, SingleResultIsAlwaysTheBest)
{
    const auto key = keyOf ("D minor");
    const auto table = syntheticTable (60);

    for (const auto* engine : { "Zentri", "Orvell", "Brisko", "Tandu" })
        for (unsigned seed : { 1u, 2u, 3u })
        {
            ScratchFolder scratch;
            globalRng().seed (seed);
            const auto all = generate (key, scratch.folder.getChildFile ("all"), table, optionsFor (engine, 0, false), nullptr, true);
            globalRng().seed (seed);
            const bool fixed = String (engine) == "Zentri";
            const auto one = generate (key, scratch.folder, table, optionsFor (engine, 1), fixed ? nullptr : &briskoBounceProfiles()[0], fixed);
            ASSERT_TRUE (one.ok);
            ASSERT_EQ (one.results.size(), 1u);
            EXPECT_EQ (one.results[0].emotionalScore, all.results[0].emotionalScore) << engine;
        }
}

TEST (GenerateWithTemplates, LotteryPicksFromThePoolThenTheBestLeft)
{
    // Orvell draws from the best 320; asking for more takes the next best in rank order.
    const auto key = keyOf ("E");
    const auto table = syntheticTable (330);
    ScratchFolder scratch;
    globalRng().seed (77);
    const auto run = generate (key, scratch.folder, table, optionsFor ("Orvell", 325, false), &orvellBounceProfiles()[1], false);
    ASSERT_TRUE (run.ok) << run.error;
    ASSERT_EQ (run.results.size(), 325u);

    std::set<String> names;
    double lowestDrawn = 1.0e9, highestTopUp = -1.0e9;
    for (size_t r = 0; r < run.results.size(); ++r)
    {
        names.insert (run.results[r].templateName);
        EXPECT_EQ (run.results[r].rank, (int) r + 1);
        if (r < 320)
            lowestDrawn = std::min (lowestDrawn, run.results[r].emotionalScore);
        else
            highestTopUp = std::max (highestTopUp, run.results[r].emotionalScore);
    }
    EXPECT_EQ (names.size(), 325u);
    EXPECT_GE (lowestDrawn, highestTopUp);
    for (size_t r = 321; r < 325; ++r)
        EXPECT_GE (run.results[r - 1].emotionalScore, run.results[r].emotionalScore);
}

TEST (GenerateWithTemplates, LotteryPrefersVarietyInOpenings)
{
    // Two equally scored groups; after the first pick, a repeat of its opening weighs 0.34 * 0.26.
    const auto key = keyOf ("C");
    TemplateTable table;
    for (int i = 0; i < 40; ++i)
        table.emplace_back ("T" + String (i), std::vector<ChordPlan> { { i < 20 ? 2 : 5, "dim", 4.0, 1, "foundation", 0 } });

    int repeats = 0, trials = 0;
    for (unsigned seed = 1; seed <= 60; ++seed)
    {
        ScratchFolder scratch;
        globalRng().seed (seed);
        const auto run = generate (key, scratch.folder, table, optionsFor ("Orvell", 2, false), &orvellBounceProfiles()[0], false);
        ASSERT_TRUE (run.ok);
        ASSERT_EQ (run.results.size(), 2u);
        const bool firstLow = run.results[0].templateName.getTrailingIntValue() < 20;
        const bool secondLow = run.results[1].templateName.getTrailingIntValue() < 20;
        repeats += firstLow == secondLow ? 1 : 0;
        ++trials;
    }
    // Without the penalties about half would repeat the opening; with them about 8 %.
    EXPECT_LT (repeats, trials / 4);
}

TEST (GenerateWithTemplates, EmptyTableSucceedsWithNothing)
{
    ScratchFolder scratch;
    std::vector<VariationData> results (2);
    GenerationTelemetry telemetry;
    String error;
    const auto folder = scratch.folder.getChildFile ("run");
    EXPECT_TRUE (generateWithTemplates (keyOf ("C"), 120, folder, {}, optionsFor ("Tandu", 3), &tanduBounceProfiles()[0], false, telemetry, results, error));
    EXPECT_TRUE (results.empty());
    EXPECT_TRUE (error.isEmpty());
    EXPECT_EQ (telemetry.templatePoolSize, 0);
    EXPECT_FALSE (telemetry.melodyAdded);
    EXPECT_FALSE (folder.exists() && folder.getNumberOfChildFiles (File::findFiles) > 0);
}

TEST (GenerateWithTemplates, WritingFailuresStopTheRunAndKeepEarlierFiles)
{
    const auto key = keyOf ("C");
    const auto& profile = orvellBounceProfiles()[5];

    {
        ScratchFolder scratch;
        const auto blocker = scratch.folder.getChildFile ("not_a_folder");
        ASSERT_TRUE (blocker.replaceWithText ("x"));
        const auto folder = blocker.getChildFile ("run");
        const auto run = generate (key, folder, zentriMajorTemplates, optionsFor ("Zentri", 3, false), nullptr, true);
        EXPECT_FALSE (run.ok);
        EXPECT_TRUE (run.error.startsWith ("Failed to open MIDI file for writing: " + folder.getFullPathName() + "/c_major_zentri_rank_1_"));
        EXPECT_TRUE (run.results.empty());
        EXPECT_EQ (run.telemetry.templatePoolSize, -7);
    }

    {
        // Rank 2's name is taken by a folder; rank 1 is written first and stays.
        ScratchFolder scratch;
        const auto taken = scratch.folder.getChildFile ("c_major_orvell_b005_rank_2.mid");
        ASSERT_TRUE (taken.createDirectory());

        globalRng().seed (3);
        const auto run = generate (key, scratch.folder, zentriMajorTemplates, optionsFor ("Orvell", 3), &profile, false);
        EXPECT_FALSE (run.ok);
        EXPECT_EQ (run.error, "Failed to open MIDI file for writing: " + taken.getFullPathName());
        ASSERT_EQ (run.results.size(), 1u);
        EXPECT_EQ (run.results[0].midiFile, scratch.folder.getChildFile ("c_major_orvell_b005_rank_1.mid"));
        EXPECT_EQ (run.telemetry.templatePoolSize, -7);
        EXPECT_EQ (run.telemetry.melodyNoteCount, -7);

        String problem;
        const auto dump = readWithMido (run.results[0].midiFile, problem);
        ASSERT_TRUE (dump.isObject()) << problem;
        EXPECT_GT (dump["notes"].size(), 0);
        EXPECT_FALSE (scratch.folder.getChildFile ("c_major_orvell_b005_rank_3.mid").exists());
    }
}

TEST (GenerateWithTemplates, TelemetryCountsTheMelodyOfEveryFile)
{
    const auto key = keyOf ("Bb minor");
    const auto table = syntheticTable (50);
    const auto& profile = briskoBounceProfiles()[7];

    for (const bool melody : { true, false })
    {
        ScratchFolder scratch;
        globalRng().seed (21);
        const auto run = generate (key, scratch.folder, table, optionsFor ("Brisko", 3, melody), &profile, false);
        ASSERT_TRUE (run.ok) << run.error;
        EXPECT_EQ (run.telemetry.templatePoolSize, 50);

        int channelTwo = 0;
        for (const auto& v : run.results)
        {
            EXPECT_TRUE (v.midiFile.getFileName().startsWith ("bb_minor_brisko_b007_rank_"));
            String problem;
            const auto dump = readWithMido (v.midiFile, problem);
            ASSERT_TRUE (dump.isObject()) << problem;
            for (const auto& n : *dump["notes"].getArray())
                channelTwo += (int) n["channel"] == 2 ? 1 : 0;
        }
        EXPECT_EQ (run.telemetry.melodyNoteCount, channelTwo);
        EXPECT_EQ (run.telemetry.melodyAdded, channelTwo > 0);
        EXPECT_EQ (channelTwo > 0, melody);
    }
}

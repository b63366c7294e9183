#include <gtest/gtest.h>

#include "GenerationEngine.h"
#include "MidiTestSupport.h"

#include <functional>
#include <map>
#include <tuple>

using namespace halvix;
using halvix::testing::readWithMido;
using halvix::testing::ScratchFolder;

namespace
{
struct Event
{
    int channel, note, on, off, velocity;
};

std::vector<Event> eventsOf (juce::MidiMessageSequence track)
{
    track.updateMatchedPairs();
    std::vector<Event> events;
    for (auto* e : track)
    {
        if (! e->message.isNoteOn())
            continue;
        EXPECT_NE (e->noteOffObject, nullptr);
        events.push_back ({ e->message.getChannel(),
                            e->message.getNoteNumber(),
                            juce::roundToInt (e->message.getTimeStamp()),
                            e->noteOffObject != nullptr ? juce::roundToInt (e->noteOffObject->message.getTimeStamp()) : -1,
                            e->message.getVelocity() });
    }
    return events;
}

ChordRender chord (std::vector<int> notes, double start, double beats, int velocityMin = 100, int velocityMax = 100)
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

// Reseeds the shared generator with the first seed whose draws pass the check, then reseeds
// again so the code under test sees the same draws.
void seedWhere (const std::function<bool()>& draws)
{
    for (unsigned seed = 1; seed < 1000000; ++seed)
    {
        globalRng().seed (seed);
        if (draws())
        {
            globalRng().seed (seed);
            return;
        }
    }
    FAIL() << "no seed found";
}

GenerationOptions noMelody()
{
    GenerationOptions options;
    options.melody = false;
    return options;
}

const ScalePitchClasses cMajorScale { 0, 2, 4, 5, 7, 9, 11 };

std::vector<Event> bounce (const std::vector<ChordRender>& renders, const BounceProfile& profile = {}, const GenerationOptions& options = noMelody())
{
    juce::MidiMessageSequence track;
    const auto count = addBounceRhythm (track, renders, cMajorScale, profile, options);
    if (! options.melody)
    {
        EXPECT_EQ (count, 0);
    }
    return eventsOf (track);
}
} // namespace

TEST (BounceProfiles, ListsNamesAndBoosts)
{
    const auto& orvell = orvellBounceProfiles();
    const auto& brisko = briskoBounceProfiles();
    const auto& tandu = tanduBounceProfiles();

    ASSERT_EQ (orvell.size(), 128u);
    ASSERT_EQ (brisko.size(), 256u);
    ASSERT_EQ (tandu.size(), 1024u);

    EXPECT_EQ (orvell.back().name, "Orvell Bounce 128");
    EXPECT_EQ (brisko.back().name, "Brisko Pop 256");
    EXPECT_EQ (tandu.back().name, "Tandu Silk 1024");
    EXPECT_EQ (orvell[4].name, "Orvell Bounce 005");
    EXPECT_EQ (orvell[4].velocityBoost, 6);
    EXPECT_EQ (brisko[3].name, "Brisko Pop 004");
    EXPECT_EQ (brisko[3].velocityBoost, -1);
    EXPECT_EQ (tandu[0].name, "Tandu Silk 0001");
    EXPECT_EQ (tandu[1023].velocityBoost, 14);

    const std::vector<int> orvellBoosts { -10, -6, -2, 2, 6, 10 };
    const std::vector<int> briskoBoosts { -12, -8, -4, -1, 2, 5, 8, 12 };
    const std::vector<int> tanduBoosts { -14, -10, -6, -2, 2, 6, 10, 14 };

    auto check = [] (const std::vector<BounceProfile>& list, const std::vector<int>& boosts)
    {
        for (size_t i = 0; i < list.size(); ++i)
        {
            EXPECT_EQ (list[i].id, (int) i);
            EXPECT_EQ (list[i].velocityBoost, boosts[i % boosts.size()]);
            for (auto offset : list[i].offsets)
                EXPECT_EQ (offset, 0);
        }
    };
    check (orvell, orvellBoosts);
    check (brisko, briskoBoosts);
    check (tandu, tanduBoosts);

    EXPECT_EQ (&orvellBounceProfiles(), &orvell); // built once
}

TEST (BounceRhythm, ClippedBlockAndSustainedEnds)
{
    const std::vector<ChordRender> twoBeats { chord ({ 48, 60, 64 }, 0.0, 2.0) };

    seedWhere ([]
               { return uniformInt (0, 4) == 0 && uniformInt (65, 92) == 65; });
    auto events = bounce (twoBeats);
    ASSERT_EQ (events.size(), 3u);
    for (const auto& e : events)
    {
        EXPECT_EQ (e.on, 0);
        EXPECT_EQ (e.off, 720); // snap (624)
        EXPECT_EQ (e.channel, 1);
        EXPECT_EQ (e.velocity, 100);
    }

    seedWhere ([]
               { return uniformInt (0, 4) == 4; });
    events = bounce (twoBeats);
    ASSERT_EQ (events.size(), 3u);
    for (const auto& e : events)
    {
        EXPECT_EQ (e.on, 0);
        EXPECT_EQ (e.off, 950);
    }
}

TEST (BounceRhythm, RepeatedChordHitsAndSofterRepeats)
{
    seedWhere ([]
               { return uniformInt (0, 4) == 3 && uniformInt (2, 4) == 4; });
    const auto events = bounce ({ chord ({ 48, 60 }, 0.0, 2.0) });
    ASSERT_EQ (events.size(), 8u);

    std::map<int, int> hitsAt;
    for (const auto& e : events)
    {
        ++hitsAt[e.on];
        EXPECT_EQ (e.off, e.on + 240);
        EXPECT_EQ (e.velocity, e.on == 0 ? 100 : 75);
    }
    EXPECT_EQ (hitsAt, (std::map<int, int> { { 0, 2 }, { 240, 2 }, { 480, 2 }, { 720, 2 } }));
}

TEST (BounceRhythm, RisingArpeggioSnapsToEighths)
{
    seedWhere ([]
               { return uniformInt (0, 4) == 1; });
    const auto events = bounce ({ chord ({ 40, 52, 59, 67 }, 0.0, 4.0) });
    ASSERT_EQ (events.size(), 4u);

    const int ons[] = { 0, 480, 720, 1200 };
    const int offs[] = { 240, 720, 960, 1440 };
    const int notes[] = { 40, 52, 59, 67 };
    for (size_t j = 0; j < 4; ++j)
    {
        EXPECT_EQ (events[j].note, notes[j]);
        EXPECT_EQ (events[j].on, ons[j]);
        EXPECT_EQ (events[j].off, offs[j]);
    }
}

TEST (BounceRhythm, BassThenUpperStab)
{
    seedWhere ([]
               { return uniformInt (0, 4) == 2; });
    auto single = bounce ({ chord ({ 45 }, 0.0, 2.0) });
    ASSERT_EQ (single.size(), 1u);
    EXPECT_EQ (single[0].on, 0);
    EXPECT_EQ (single[0].off, 720);

    // Equal velocity bounds draw nothing, so the delay is the second draw.
    seedWhere ([]
               { return uniformInt (0, 4) == 2 && uniformInt (1, 3) == 2; });
    const auto events = bounce ({ chord ({ 45, 57, 64 }, 0.0, 4.0) });
    ASSERT_EQ (events.size(), 3u);
    EXPECT_EQ (events[0].note, 45);
    EXPECT_EQ (events[0].on, 0);
    EXPECT_EQ (events[0].off, 1680);
    EXPECT_EQ (events[0].velocity, 100);
    for (size_t j = 1; j < 3; ++j)
    {
        EXPECT_EQ (events[j].on, 480);
        EXPECT_EQ (events[j].off, 1440);
        EXPECT_EQ (events[j].velocity, 95);
    }
}

TEST (BounceRhythm, ProfileOffsetsShiftOnsetsOnTheGrid)
{
    std::vector<ChordRender> renders;
    for (int c = 0; c < 7; ++c)
        renders.push_back (chord ({ 30 + c, 90 + c }, 2.0 * c, 2.0));

    BounceProfile profile;
    profile.offsets = { 130, 100, -500, 0, 0, 0 };

    globalRng().seed (11);
    const auto events = bounce (renders, profile);

    std::map<int, int> earliest;
    for (const auto& e : events)
    {
        const int c = e.note < 60 ? e.note - 30 : e.note - 90;
        earliest[c] = earliest.count (c) ? std::min (earliest[c], e.on) : e.on;
        EXPECT_GE (e.on, 0);
        EXPECT_EQ (e.on % 240, 0);
    }

    EXPECT_EQ (earliest[0], 240); // 0 + 130 snaps up
    EXPECT_EQ (earliest[1], 960); // 960 + 100 snaps back
    EXPECT_EQ (earliest[2], 1440); // 1920 - 500 snaps to 1440
    EXPECT_EQ (earliest[3], 2880);
    EXPECT_EQ (earliest[6], 5760 + 240); // chord 6 reuses the first offset
}

TEST (BounceRhythm, VelocityBoostIsClamped)
{
    const std::vector<ChordRender> renders { chord ({ 40, 50, 60 }, 0.0, 4.0), chord ({ 41, 51 }, 4.0, 2.0), chord ({ 42, 52, 62, 72 }, 6.0, 2.0) };

    for (unsigned seed = 1; seed <= 40; ++seed)
    {
        BounceProfile loud;
        loud.velocityBoost = 40;
        globalRng().seed (seed);
        for (const auto& e : bounce (renders, loud))
            EXPECT_TRUE (e.velocity == 127 || e.velocity == 115) << e.velocity;

        BounceProfile silent;
        silent.velocityBoost = -120;
        globalRng().seed (seed);
        for (const auto& e : bounce (renders, silent))
            EXPECT_EQ (e.velocity, 1);
    }
}

TEST (BounceRhythm, SkipsEmptyAndZeroLengthChords)
{
    globalRng().seed (5);
    const auto events = bounce ({ chord ({}, 0.0, 4.0), chord ({ 50, 60 }, 4.0, 0.2), chord ({ 50, 60 }, 8.0, -2.0) });
    EXPECT_TRUE (events.empty());
}

TEST (Melody, StaysInRangeOnChannelTwoAndOutOfEachChordsLastEighth)
{
    const auto scale = cMajorScale;
    const double lengths[] = { 0.25, 0.5, 1.0, 1.5, 2.0, 3.0, 4.0 };
    const char* qualities[] = { "triad", "maj7", "add9", "sus4", "dim", "11" };

    globalRng().seed (99);
    int totalMelody = 0;
    for (int t = 0; t < 400; ++t)
    {
        // Chords laid end to end, so every melody note belongs to exactly one chord window.
        std::vector<ChordPlan> plans;
        for (int c = 0; c < 8; ++c)
            plans.push_back ({ uniformInt (1, 7), qualities[uniformInt (0, 5)], lengths[uniformInt (0, 6)], 1, "movement", uniformInt (0, 3) });

        KeySpec key;
        auto renders = renderTemplate (key, scale, plans);
        double at = 0.0;
        for (auto& r : renders)
        {
            r.startBeat = at;
            at += r.durationBeats;
        }

        GenerationOptions options;
        options.complexity = uniformInt (-50, 150);
        options.tension = uniformInt (-50, 150);

        juce::MidiMessageSequence track;
        const int count = addBounceRhythm (track, renders, scale, BounceProfile {}, options);
        totalMelody += count;

        std::vector<int> perChord (renders.size(), 0);
        int seen = 0;
        for (const auto& e : eventsOf (track))
        {
            ASSERT_TRUE (e.channel == 1 || e.channel == 2);
            if (e.channel != 2)
                continue;
            ++seen;

            EXPECT_GE (e.note, 65);
            EXPECT_LE (e.note, 98);
            EXPECT_TRUE (std::find (scale.begin(), scale.end(), e.note % 12) != scale.end());
            EXPECT_GE (e.velocity, 44);
            EXPECT_LE (e.velocity, 120);

            bool placed = false;
            for (size_t c = 0; c < renders.size(); ++c)
            {
                // Eighth-note grid, halves rounding up.
                const int cs = (juce::roundToInt (renders[c].startBeat * 480) + 120) / 240 * 240;
                const int ce = (juce::roundToInt ((renders[c].startBeat + renders[c].durationBeats) * 480) + 120) / 240 * 240;
                if (e.on < cs || e.on >= ce)
                    continue;
                placed = true;
                ++perChord[c];
                EXPECT_EQ ((e.on - cs) % 240, 0);
                EXPECT_LT (e.on, ce - 240) << "melody note in a chord's last eighth";
                EXPECT_LE (e.off, ce);
                EXPECT_GE (e.off, e.on + 240);
            }
            EXPECT_TRUE (placed) << "melody note outside every chord at tick " << e.on;
        }
        EXPECT_EQ (seen, count);

        for (size_t c = 0; c < renders.size(); ++c)
        {
            const auto beats = renders[c].durationBeats;
            EXPECT_LE (perChord[c], beats <= 1.0 ? (beats < 1.0 ? 0 : 1) : beats <= 2.0 ? 2
                                                                                        : 4)
                << beats << " beats";
        }
    }
    EXPECT_GT (totalMelody, 0);
}

TEST (Melody, OffWritesNothingOnChannelTwo)
{
    GenerationOptions options;
    options.melody = false;
    globalRng().seed (8);
    juce::MidiMessageSequence track;
    const auto count = addBounceRhythm (track, { chord ({ 48, 60, 64 }, 0.0, 4.0), chord ({ 50, 62 }, 4.0, 4.0) }, cMajorScale, BounceProfile {}, options);
    EXPECT_EQ (count, 0);
    for (const auto& e : eventsOf (track))
        EXPECT_EQ (e.channel, 1);
}

TEST (BounceFile, ChordsAndMelodyOnTheirChannelsAsReadByMido)
{
    ScratchFolder scratch;
    KeySpec key;
    String resolved, error;
    ASSERT_TRUE (parseKey ("A minor", key, resolved, error));
    const auto scale = scalePitchClasses (key);

    GenerationOptions options;
    options.engineId = "Tandu";
    const auto& profile = tanduBounceProfiles()[31];

    globalRng().seed (4242);
    const auto renders = renderTemplate (key, scale, zentriMinorTemplates[0].second);

    File written;
    int melody = 0;
    ASSERT_TRUE (writeVariationMidi (key, scale, options, 96, scratch.folder, 3, renders, 0, &profile, written, melody, error)) << error;
    EXPECT_EQ (written.getFileName(), "a_minor_tandu_b0031_rank_3.mid");
    EXPECT_GT (melody, 0);

    String problem;
    const auto dump = readWithMido (written, problem);
    ASSERT_TRUE (dump.isObject()) << problem;
    EXPECT_EQ ((int) dump["format"], 1);
    EXPECT_EQ ((int) dump["ticks_per_beat"], 480);
    EXPECT_EQ ((int) dump["tempos"][0]["micros"], 625000);
    EXPECT_EQ ((int) dump["programs"][0]["program"], 4);
    EXPECT_EQ ((int) dump["hanging"], 0);

    int melodyNotes = 0, chordNotes = 0;
    for (const auto& n : *dump["notes"].getArray())
    {
        EXPECT_EQ ((int) n["track"], 1);
        const int channel = n["channel"];
        ASSERT_TRUE (channel == 1 || channel == 2);
        (channel == 2 ? melodyNotes : chordNotes)++;
        EXPECT_EQ ((int) n["on"] % 240, 0) << "off the eighth grid";
    }
    EXPECT_EQ (melodyNotes, melody);
    EXPECT_GT (chordNotes, 0);
}

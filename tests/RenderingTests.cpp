#include <gtest/gtest.h>

#include "GenerationEngine.h"

#include <algorithm>
#include <limits>

using namespace halvix;

namespace
{
KeySpec keyOf (const char* text)
{
    KeySpec key;
    String resolved, error;
    EXPECT_TRUE (parseKey (text, key, resolved, error)) << error;
    return key;
}

ChordPlan plan (int degree, const char* quality, double beats = 4.0, int bar = 1, const char* function = "foundation", int inversion = 0)
{
    return { degree, quality, beats, bar, function, inversion };
}

// A seed whose first draw of uniform 0..12 (the opening top-voice offset) is the wanted value.
unsigned seedForFirstTopOffset (int wanted)
{
    for (unsigned seed = 1;; ++seed)
    {
        globalRng().seed (seed);
        if (uniformInt (0, 12) == wanted)
            return seed;
    }
}
} // namespace

TEST (NearestNote, PlacesPitchClassesInsideTheRegister)
{
    struct Case
    {
        int pc, target, low, high, expected;
    };

    const Case cases[] = {
        { 4, 60, 34, 52, 52 },
        { 0, 45, 34, 52, 48 },
        { 6, 48, 40, 50, 42 },
        { 0, 54, 34, 52, 48 },
        { 2, 56, 40, 70, 50 }, // 50 and 62 tie: the lower wins
        { 0, 60, 61, 70, 60 }, // nothing inside: 72 against 60
        { 0, 45, 52, 34, 48 }, // reversed bounds are ordered first
        { 11, 0, 34, 52, 35 },
        { 7, 127, 64, 95, 91 },
    };

    for (const auto& c : cases)
        EXPECT_EQ (nearestNote (c.pc, c.target, c.low, c.high), c.expected)
            << "pc " << c.pc << " target " << c.target << " in " << c.low << "-" << c.high;
}

TEST (NearestNote, AgreesWithACandidateByCandidateSearch)
{
    // The plain reading: octaves -2 .. 10, closest inside the range, lower on a tie.
    auto reference = [] (int pc, int target, int lowBound, int highBound)
    {
        const int low = std::min (lowBound, highBound);
        const int high = std::max (lowBound, highBound);
        int best = 0;
        int bestDistance = -1;
        for (int k = -2; k <= 10; ++k)
        {
            const int candidate = pc + 12 * k;
            if (candidate >= low && candidate <= high && (bestDistance < 0 || std::abs (candidate - target) < bestDistance))
            {
                best = candidate;
                bestDistance = std::abs (candidate - target);
            }
        }
        if (bestDistance >= 0)
            return best;
        const int above = pc + 12 * ((low - pc + 11) / 12);
        const int below = pc + 12 * ((high - pc) / 12);
        return std::abs (above - target) < std::abs (below - target) ? above : below;
    };

    for (int pc = -3; pc <= 14; ++pc)
        for (int target = -30; target <= 160; target += 3)
            for (int low = -30; low <= 140; low += 7)
                for (int width : { -13, -5, 0, 4, 11, 12, 19, 40 })
                    ASSERT_EQ (nearestNote (pc, target, low, low + width), reference (pc, target, low, low + width))
                        << pc << " " << target << " " << low << " " << low + width;
}

TEST (PlanStartBeats, AccumulatesPerBarAndClampsBars)
{
    const std::vector<ChordPlan> plans { plan (1, "triad", 4, 0), plan (1, "triad", 4, 1), plan (2, "triad", 2, 3), plan (3, "triad", 2, 3), plan (4, "triad", 1, 9), plan (5, "triad", 3, 4) };
    const std::vector<double> expected { 0, 4, 8, 10, 12, 13 };
    EXPECT_EQ (planStartBeats (plans), expected);
}

TEST (RenderTemplate, HandVoicedOpeningChords)
{
    const auto cMajor = keyOf ("C major");
    const auto scale = scalePitchClasses (cMajor);

    // Top target 72: B nearest 72 is 71; the voicing is narrower than two octaves, so the top moves up.
    globalRng().seed (seedForFirstTopOffset (0));
    auto maj7 = renderTemplate (cMajor, scale, { plan (1, "maj7") });
    ASSERT_EQ (maj7.size(), 1u);
    EXPECT_EQ (maj7[0].midiNotes, (std::vector<int> { 48, 64, 67, 83 }));
    EXPECT_EQ (maj7[0].name, "Cmaj7");
    EXPECT_EQ (maj7[0].velocityMin, 72);
    EXPECT_EQ (maj7[0].velocityMax, 94);

    // Six tones: D is missing from the five voices and is added near the upper middle.
    globalRng().seed (seedForFirstTopOffset (0));
    auto add11 = renderTemplate (cMajor, scale, { plan (1, "add11") });
    EXPECT_EQ (add11[0].midiNotes, (std::vector<int> { 48, 64, 67, 71, 74, 77 }));
    EXPECT_EQ (add11[0].name, "Cadd11");
}

TEST (RenderTemplate, DimChordOpensOnBassCAndTopFSharpNearTheDrawnTarget)
{
    const auto cMajor = keyOf ("C");
    const auto scale = scalePitchClasses (cMajor);

    for (int offset : { 0, 5, 12 })
    {
        globalRng().seed (seedForFirstTopOffset (offset));
        const auto renders = renderTemplate (cMajor, scale, { plan (1, "dim") });
        const auto& notes = renders[0].midiNotes;
        const int expectedTop = nearestNote (6, 72 + offset, 64, 95);

        EXPECT_EQ (renders[0].name, "Cdim");
        EXPECT_TRUE (std::find (notes.begin(), notes.end(), 48) != notes.end()) << "bass C3 missing";
        // The top F# sounds, possibly an octave up when the chord was spread.
        EXPECT_TRUE (std::find (notes.begin(), notes.end(), expectedTop) != notes.end()
                     || notes.back() == expectedTop + 12);
        EXPECT_EQ (notes.back() % 12, 6);
    }
}

TEST (RenderTemplate, InversionWrapsAroundTheToneCount)
{
    const auto key = keyOf ("D minor");
    const auto scale = scalePitchClasses (key);

    globalRng().seed (77);
    const auto wrapped = renderTemplate (key, scale, { plan (2, "min7", 4, 1, "foundation", 5) });
    globalRng().seed (77);
    const auto once = renderTemplate (key, scale, { plan (2, "min7", 4, 1, "foundation", 1) });
    EXPECT_EQ (wrapped[0].midiNotes, once[0].midiNotes);

    // First inversion of E G Bb D puts G (pc 7) in the bass.
    EXPECT_EQ (once[0].midiNotes.front() % 12, 7);
}

TEST (RenderTemplate, NamesAndVelocityRangesFollowQualityAndPosition)
{
    const auto cSharpMinor = keyOf ("C# minor");
    const auto ebMajor = keyOf ("Eb");

    globalRng().seed (3);
    const auto renders = renderTemplate (cSharpMinor,
                                         scalePitchClasses (cSharpMinor),
                                         { plan (1, "min7"), plan (1, "min7"), plan (1, "min7"), plan (1, "min7"), plan (3, "blue"), plan (6, "triad") });
    const int expectedMin[] = { 68, 70, 72, 68, 72, 78 };
    const int expectedMax[] = { 90, 92, 94, 90, 94, 100 };
    for (size_t p = 0; p < renders.size(); ++p)
    {
        EXPECT_EQ (renders[p].velocityMin, expectedMin[p]) << p;
        EXPECT_EQ (renders[p].velocityMax, expectedMax[p]) << p;
    }
    EXPECT_EQ (renders[0].name, "C#min7");
    EXPECT_EQ (renders[4].name, "Eblue"); // degree 3 of C# minor is E; unknown words are their own label
    EXPECT_EQ (renders[5].name, "A");

    const auto flats = renderTemplate (ebMajor, scalePitchClasses (ebMajor), { plan (5, "sus4_add9") });
    EXPECT_EQ (flats[0].name, "Bbsus4(add9)");
}

TEST (RenderTemplate, RandomTemplatesAlwaysGiveValidVoicings)
{
    const char* qualities[] = { "triad", "maj", "min", "dim", "aug", "maj7", "min7", "dom7", "dim7", "m7b5", "add9", "9", "maj9", "min9", "dom9", "11", "add11", "13", "add13", "add6", "sus2", "sus4", "sus2_add9", "sus4_add9", "7sus4", "maj7_add9", "min7_add9", "blue", "", "MAJ7" };
    const char* functions[] = { "foundation", "movement", "lift", "resolve", "other" };
    const char* keys[] = { "C", "F# minor", "Bb", "Cb", "E minor", "G#m" };

    globalRng().seed (2024);
    for (int t = 0; t < 3000; ++t)
    {
        const auto key = keyOf (keys[t % 6]);
        const auto scale = scalePitchClasses (key);

        std::vector<ChordPlan> plans;
        const int length = uniformInt (1, 9);
        for (int i = 0; i < length; ++i)
            plans.push_back (plan (uniformInt (-3, 10),
                                   qualities[uniformInt (0, 29)],
                                   uniformInt (0, 8) * 0.5,
                                   uniformInt (-1, 6),
                                   functions[uniformInt (0, 4)],
                                   uniformInt (0, 9)));

        const auto renders = renderTemplate (key, scale, plans);
        ASSERT_EQ (renders.size(), plans.size());
        const auto starts = planStartBeats (plans);

        for (size_t i = 0; i < renders.size(); ++i)
        {
            const auto& notes = renders[i].midiNotes;
            ASSERT_GE (notes.size(), 2u) << "template " << t << " chord " << i;
            ASSERT_LE (notes.size(), 7u) << "template " << t << " chord " << i;
            ASSERT_TRUE (std::adjacent_find (notes.begin(), notes.end(), std::greater_equal<int>()) == notes.end())
                << "not strictly ascending, template " << t << " chord " << i;
            // Bass 34-52 and top 64-95, moved by at most one octave when a narrow chord is spread.
            EXPECT_GE (notes.front(), 28);
            EXPECT_LE (notes.front(), 52);
            EXPECT_GE (notes.back(), 64);
            EXPECT_LE (notes.back(), 96);

            const auto& render = renders[i];
            EXPECT_GE (render.velocityMin, 1);
            EXPECT_LE (render.velocityMin, 126);
            EXPECT_GE (render.velocityMax, render.velocityMin);
            EXPECT_LE (render.velocityMax, 127);
            EXPECT_EQ (render.startBeat, starts[i]);
            EXPECT_EQ (render.bar, plans[i].bar);
            EXPECT_EQ (render.durationBeats, plans[i].durationBeats);
            EXPECT_TRUE (render.name.startsWith (pitchClassName (scale[static_cast<size_t> (((plans[i].degree - 1) % 7 + 7) % 7)], key.useSharps)));
        }
    }
}

TEST (RenderTemplate, ExtremeDegreesAndInversionsReduceLikeSmallOnes)
{
    // Found by fuzzing: degree arithmetic overflowed for degrees near the int limits.
    constexpr int big = std::numeric_limits<int>::max(); // 7 * 306783378 + 1, so degree 1
    constexpr int small = std::numeric_limits<int>::min(); // -2 below a multiple of 7, so degree 5
    const auto key = keyOf ("C");
    const auto scale = scalePitchClasses (key);

    EXPECT_EQ (chordPitchClasses (scale, big, "maj7"), chordPitchClasses (scale, 1, "maj7"));
    EXPECT_EQ (chordPitchClasses (scale, small, "dom9"), chordPitchClasses (scale, 5, "dom9"));

    for (const auto& [degree, root] : { std::pair { big, "C" }, std::pair { small, "G" } })
    {
        for (const auto inversion : { big, small, 0 })
        {
            const auto renders = renderTemplate (key, scale, { plan (degree, "maj7", 4.0, 1, "foundation", inversion) });
            ASSERT_EQ (renders.size(), 1u);
            EXPECT_EQ (renders[0].name, String (root) + "maj7");
            EXPECT_GE (renders[0].midiNotes.size(), 2u);
        }
    }
}

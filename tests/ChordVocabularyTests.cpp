#include <gtest/gtest.h>

#include "GenerationEngine.h"

using namespace halvix;

namespace
{
KeySpec keyOf (const char* text)
{
    KeySpec key;
    String resolved, error;
    EXPECT_TRUE (parseKey (text, key, resolved, error));
    return key;
}
} // namespace

TEST (ChordVocabulary, ScalesFollowTheMode)
{
    EXPECT_EQ (scalePitchClasses (keyOf ("C major")), (ScalePitchClasses { 0, 2, 4, 5, 7, 9, 11 }));
    EXPECT_EQ (scalePitchClasses (keyOf ("A minor")), (ScalePitchClasses { 9, 11, 0, 2, 4, 5, 7 }));
    EXPECT_EQ (scalePitchClasses (keyOf ("B major")), (ScalePitchClasses { 11, 1, 3, 4, 6, 8, 10 }));
    KeySpec odd;
    odd.rootPc = 2;
    odd.mode = "Minor"; // only exactly "minor" selects the minor scale
    EXPECT_EQ (scalePitchClasses (odd), (ScalePitchClasses { 2, 4, 6, 7, 9, 11, 1 }));
}

TEST (ChordVocabulary, ChordPitchClasses)
{
    struct Case
    {
        const char* key;
        int degree;
        const char* quality;
        std::vector<int> tones;
    };
    const Case cases[] = {
        { "C major", 2, "maj7", { 2, 5, 9, 0 } },
        { "C major", 1, "min7", { 0, 4, 7, 11 } },
        { "A minor", 5, "dom7", { 4, 7, 11, 2 } },
        { "A minor", 3, "maj7", { 0, 4, 7, 11 } },
        { "C major", 1, "dim", { 0, 4, 6 } },
        { "C major", 1, "aug", { 0, 4, 8 } },
        { "C major", 7, "dim7", { 11, 2, 5, 8 } },
        { "C major", 7, "m7b5", { 11, 2, 5, 9 } },
        { "C major", 1, "add11", { 0, 4, 7, 11, 2, 5 } },
        { "C major", 1, "sus2", { 0, 2, 7, 11 } },
        { "C major", 1, "sus4_add9", { 0, 5, 7, 11 } },
        { "C major", 1, "7sus4", { 0, 5, 7, 11 } },
        { "C major", 4, "dom7", { 5, 9, 0, 3 } },
        { "C major", 5, "dom9", { 7, 11, 2, 5, 9 } },
        { "C major", 1, "add9", { 0, 4, 7, 11, 2 } },
        { "C major", 1, "add6", { 0, 4, 7, 11, 9 } },
        { "C major", 8, "maj7", { 0, 4, 7, 11 } },
        { "C major", 0, "maj7", { 11, 2, 5, 9 } },
        { "C major", -1, "maj7", { 9, 0, 4, 7 } },
        { "C major", 1, "blue", { 0, 4, 7, 11 } },
        { "C major", 5, "dom7", { 7, 11, 2, 5 } }, // R+10 equals the diatonic 7th: no duplicate
    };
    const auto cMajorScale = scalePitchClasses (keyOf ("C major"));
    for (const auto& c : cases)
    {
        SCOPED_TRACE (std::string (c.key) + " " + std::to_string (c.degree) + " " + c.quality);
        EXPECT_EQ (chordPitchClasses (scalePitchClasses (keyOf (c.key)), c.degree, c.quality), c.tones);
    }
    // dim on degree 7: R+6 is already the diatonic fifth.
    EXPECT_EQ (chordPitchClasses (cMajorScale, 7, "dim"), (std::vector<int> { 11, 2, 5 }));
}

TEST (ChordVocabulary, TriadFamilyAddsSeventhAboutHalfTheTime)
{
    const auto scale = scalePitchClasses (keyOf ("C major"));
    globalRng().seed (1234);
    int withSeventh = 0;
    for (int i = 0; i < 4000; ++i)
    {
        const auto tones = chordPitchClasses (scale, 1, i % 2 == 0 ? "triad" : "maj");
        ASSERT_TRUE (tones.size() == 3 || tones.size() == 4);
        EXPECT_EQ (tones[0], 0);
        withSeventh += tones.size() == 4 ? 1 : 0;
    }
    EXPECT_NEAR (withSeventh / 4000.0, 0.5, 0.05);

    // Reseeding the shared generator repeats the draws.
    globalRng().seed (99);
    std::vector<size_t> first, second;
    for (int i = 0; i < 50; ++i)
        first.push_back (chordPitchClasses (scale, 2, "min").size());
    globalRng().seed (99);
    for (int i = 0; i < 50; ++i)
        second.push_back (chordPitchClasses (scale, 2, "min").size());
    EXPECT_EQ (first, second);
}

TEST (ChordVocabulary, MetadataAndDefaults)
{
    EXPECT_EQ (chordMeta.size(), 18u);
    const auto maj7add9 = chordMetaFor ("maj7_add9");
    EXPECT_EQ (maj7add9.label, String ("maj7(add9)"));
    EXPECT_EQ (maj7add9.velocityMin, 70);
    EXPECT_EQ (maj7add9.velocityMax, 92);
    EXPECT_EQ (chordMetaFor ("dim7").velocityMin, 58);
    EXPECT_EQ (chordMetaFor ("triad").label, String());
    EXPECT_EQ (chordMetaFor ("triad").velocityMax, 96);
    const auto blue = chordMetaFor ("blue");
    EXPECT_EQ (blue.label, String ("blue"));
    EXPECT_EQ (blue.velocityMin, 70);
    EXPECT_EQ (blue.velocityMax, 92);
    EXPECT_EQ (chordMetaFor ("Maj7").label, String ("Maj7")); // case-sensitive
}

TEST (ChordVocabulary, RomanNumerals)
{
    const std::pair<const char*, const char*> parts[] = {
        { "bVIIM", "VII" }, { "#IVdim", "IV" }, { "ivm9", "iv" }, { "Vsus2", "V" }, { "IM-5", "I" },
        { "  ii  ", "ii" }, { "IIII", "IIII" }, { "X", "" }, { "#", "" }, { "maj7", "" },
        { "b#bIII7", "III" }, { "", "" }, { "viim", "vii" },
    };
    for (auto& [token, numeral] : parts)
        EXPECT_EQ (romanPart (token), String (numeral)) << token;

    const std::pair<const char*, int> degrees[] = {
        { "iv", 4 }, { "IV", 4 }, { "vii", 7 }, { "I", 1 }, { "ii", 2 }, { "III", 3 }, { "v", 5 },
        { "VI", 6 }, { "IIII", -1 }, { "VV", -1 }, { "", -1 }, { "IIV", -1 },
    };
    for (auto& [numeral, degree] : degrees)
        EXPECT_EQ (degreeFromNumeral (numeral), degree) << numeral;
}

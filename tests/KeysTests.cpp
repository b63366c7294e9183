#include <gtest/gtest.h>

#include "GenerationEngine.h"

using namespace halvix;

namespace
{
struct KeyCase
{
    const char* text;
    bool ok;
    int pc;
    const char* tonic;
    const char* mode;
    bool sharps;
    const char* resolvedOrError;
};

const KeyCase keyCases[] = {
    { "  c\xe2\x99\xaf   minor  ", true, 1, "C#", "minor", true, "C# minor" },
    { "dbm", true, 1, "Db", "minor", false, "Db minor" },
    { "B#", true, 0, "B#", "major", true, "B# major" },
    { "Cb", true, 11, "Cb", "major", false, "Cb major" },
    { "Fb", true, 4, "Fb", "major", false, "Fb major" },
    { "E dorian", true, 4, "E", "major", true, "E major" },
    { "E m", true, 4, "E", "major", true, "E major" },
    { "E Minor", true, 4, "E", "minor", true, "E minor" },
    { "AM", true, 9, "A", "minor", true, "A minor" },
    { "Cmin", true, 0, "C", "major", true, "C major" },
    { "C#m", true, 1, "C#", "minor", true, "C# minor" },
    { "Cmaj", true, 0, "C", "major", true, "C major" },
    { "Bb7", true, 10, "Bb", "major", false, "Bb major" },
    { "e\xe2\x99\xad minimal", true, 3, "Eb", "minor", false, "Eb minor" },
    { "F#m extra words", true, 6, "F#", "major", true, "F# major" },
    { "", false, 0, "", "", false, "Key is empty." },
    { "    ", false, 0, "", "", false, "Key is empty." },
    { "H minor", false, 0, "", "", false, "Unsupported key: H" },
    { "x", false, 0, "", "", false, "Unsupported key: X" },
    { "m", false, 0, "", "", false, "Unsupported key: M" },
    { "#", false, 0, "", "", false, "Unsupported key: #" },
};
} // namespace

TEST (Keys, ParsesTextsAndReportsFailures)
{
    for (const auto& c : keyCases)
    {
        SCOPED_TRACE (juce::String::fromUTF8 (c.text).toStdString());
        KeySpec key;
        key.tonic = "untouched";
        String resolved = "untouched", error;
        const bool ok = parseKey (String::fromUTF8 (c.text), key, resolved, error);
        ASSERT_EQ (ok, c.ok);
        if (c.ok)
        {
            EXPECT_EQ (key.rootPc, c.pc);
            EXPECT_EQ (key.tonic, String (c.tonic));
            EXPECT_EQ (key.mode, String (c.mode));
            EXPECT_EQ (key.useSharps, c.sharps);
            EXPECT_EQ (resolved, String (c.resolvedOrError));
        }
        else
        {
            EXPECT_EQ (error, String (c.resolvedOrError));
            EXPECT_EQ (resolved, String ("untouched"));
            EXPECT_EQ (key.tonic, String ("untouched"));
        }
    }
}

TEST (Keys, NamesNotesAcrossOctaves)
{
    EXPECT_EQ (midiNoteName (60, true), String ("C4"));
    EXPECT_EQ (midiNoteName (61, true), String ("C#4"));
    EXPECT_EQ (midiNoteName (61, false), String ("Db4"));
    EXPECT_EQ (midiNoteName (69, true), String ("A4"));
    EXPECT_EQ (midiNoteName (11, true), String ("B-1"));
    EXPECT_EQ (midiNoteName (0, false), String ("C-1"));
    EXPECT_EQ (midiNoteName (46, false), String ("Bb2"));
    EXPECT_EQ (midiNoteName (127, true), String ("G9"));
    EXPECT_EQ (pitchClassName (-1, true), String ("B"));
    EXPECT_EQ (pitchClassName (13, false), String ("Db"));
    EXPECT_EQ (pitchClassName (-14, false), String ("Bb"));
}

TEST (Keys, Slugs)
{
    auto slugOf = [] (const char* text)
    {
        KeySpec key;
        String resolved, error;
        EXPECT_TRUE (parseKey (text, key, resolved, error));
        return keySlug (key);
    };
    EXPECT_EQ (slugOf ("C# minor"), String ("cs_minor"));
    EXPECT_EQ (slugOf ("Bb major"), String ("bb_major"));
    EXPECT_EQ (slugOf ("F major"), String ("f_major"));
    EXPECT_EQ (slugOf ("F# major"), String ("fs_major"));
    EXPECT_EQ (slugOf ("dbm"), String ("db_minor"));
}

TEST (Keys, RandomKeyDistribution)
{
    constexpr int draws = 24000;
    for (bool preferMinor : { false, true })
    {
        int minor = 0;
        std::map<juce::String, int> tonics;
        for (int i = 0; i < draws; ++i)
        {
            const auto text = GenerationEngine::randomKeyName (preferMinor);
            KeySpec key;
            String resolved, error;
            ASSERT_TRUE (parseKey (text, key, resolved, error)) << text;
            ASSERT_EQ (resolved, text);
            minor += key.mode == "minor" ? 1 : 0;
            ++tonics[key.tonic];
        }
        const double share = minor / (double) draws;
        EXPECT_NEAR (share, preferMinor ? 0.73 : 0.5, 0.03);
        ASSERT_EQ (tonics.size(), 12u);
        for (auto& [tonic, count] : tonics)
        {
            EXPECT_NEAR (count / (double) draws, 1.0 / 12.0, 0.02) << tonic;
            EXPECT_TRUE (std::any_of (keyPool.begin(), keyPool.end(), [&] (const char* t) { return tonic == t; }));
        }
    }
}

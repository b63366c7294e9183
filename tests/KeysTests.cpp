#include <gtest/gtest.h>

#include "GenerationEngine.h"
#include "Utf8Text.h"

#include <cstring>
#include <limits>

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

    // Octaves floor toward minus infinity, the int limits included (found by fuzzing).
    EXPECT_EQ (midiNoteName (-1, true), String ("B-2"));
    EXPECT_EQ (midiNoteName (-12, true), String ("C-2"));
    EXPECT_EQ (midiNoteName (-13, true), String ("B-3"));
    EXPECT_EQ (midiNoteName (std::numeric_limits<int>::min(), true), String ("E-178956972"));
    EXPECT_EQ (midiNoteName (std::numeric_limits<int>::max(), true), String ("G178956969"));
}

TEST (Keys, MalformedUtf8BecomesReplacementCharactersAndFailsClearly)
{
    // JUCE takes a lead byte followed by any byte as one character, so "\xd8 " hid the space
    // from it; splitting the key text at that space then read past the end of a piece.
    struct Case
    {
        const char* bytes;
        bool wellFormed;
    };
    const Case cases[] = {
        { "C# minor", true },
        { "c\xe2\x99\xaf minor", true },
        { "\xf0\x9f\x8e\xb9", true },
        { "\xd8 ", false }, // lead byte, then no continuation byte
        { "\xc0\xaf", false }, // overlong
        { "\xed\xa0\x80", false }, // surrogate
        { "\xf4\x90\x80\x80", false }, // past U+10FFFF
        { "\xe2\x99", false }, // cut off
        { "\xff", false },
    };

    for (const auto& c : cases)
    {
        SCOPED_TRACE (c.bytes);
        EXPECT_EQ (isWellFormedUtf8 (c.bytes, std::strlen (c.bytes)), c.wellFormed);
        const auto text = textFromUntrustedUtf8 (c.bytes, std::strlen (c.bytes));
        EXPECT_EQ (text.containsChar ((juce::juce_wchar) 0xfffd), ! c.wellFormed);
        EXPECT_TRUE (juce::CharPointer_UTF8::isValidString (text.toRawUTF8(), (int) text.getNumBytesAsUTF8()));
    }

    EXPECT_EQ (textFromUntrustedUtf8 ("\xd8 C", 3), String::fromUTF8 ("\xef\xbf\xbd C"));

    KeySpec key;
    String resolved, error;
    EXPECT_FALSE (parseKey (textFromUntrustedUtf8 ("\xd8 (", 3), key, resolved, error));
    EXPECT_EQ (error, String::fromUTF8 ("Unsupported key: \xef\xbf\xbd"));
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
            EXPECT_TRUE (std::any_of (keyPool.begin(), keyPool.end(), [&] (const char* t)
                                      { return tonic == t; }));
        }
    }
}

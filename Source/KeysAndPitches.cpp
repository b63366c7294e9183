#include "GenerationEngine.h"

#include <mutex>

namespace halvix
{

const std::unordered_map<std::string, int> noteToPc {
    { "c", 0 },
    { "b#", 0 },
    { "c#", 1 },
    { "db", 1 },
    { "d", 2 },
    { "d#", 3 },
    { "eb", 3 },
    { "e", 4 },
    { "fb", 4 },
    { "e#", 5 },
    { "f", 5 },
    { "f#", 6 },
    { "gb", 6 },
    { "g", 7 },
    { "g#", 8 },
    { "ab", 8 },
    { "a", 9 },
    { "a#", 10 },
    { "bb", 10 },
    { "b", 11 },
    { "cb", 11 }
};

const std::array<const char*, 12> pcSharp { "C", "C#", "D", "D#", "E", "F", "F#", "G", "G#", "A", "A#", "B" };
const std::array<const char*, 12> pcFlat { "C", "Db", "D", "Eb", "E", "F", "Gb", "G", "Ab", "A", "Bb", "B" };
const std::array<const char*, 12> keyPool { "C", "C#", "D", "Eb", "E", "F", "F#", "G", "Ab", "A", "Bb", "B" };

namespace
{
    bool hasNonWhitespace (const String& s)
    {
        return s.trim().isNotEmpty();
    }

    juce::juce_wchar asciiUpper (juce::juce_wchar c)
    {
        return (c >= 'a' && c <= 'z') ? static_cast<juce::juce_wchar> (c - 'a' + 'A') : c;
    }
} // namespace

bool parseKey (const String& text, KeySpec& key, String& resolvedKey, String& error)
{
    auto cleaned = text.trim()
                       .replace (String::fromUTF8 ("\xe2\x99\xaf"), "#")
                       .replace (String::fromUTF8 ("\xe2\x99\xad"), "b");

    if (cleaned.isEmpty())
    {
        error = "Key is empty.";
        return false;
    }

    StringArray pieces;
    {
        StringArray raw;
        raw.addTokens (cleaned, " ", "");
        for (auto& piece : raw)
            if (hasNonWhitespace (piece))
                pieces.add (piece);
    }

    if (pieces.isEmpty())
    {
        error = "Key is empty.";
        return false;
    }

    auto noteText = pieces[0].trim();
    String mode = "major";

    if (pieces.size() == 1)
    {
        if (noteText.length() >= 2 && (noteText.endsWithChar ('m') || noteText.endsWithChar ('M')))
        {
            mode = "minor";
            noteText = noteText.dropLastCharacters (1);
        }
    }
    else if (pieces[1].toLowerCase().startsWith ("min"))
    {
        mode = "minor";
    }

    noteText = noteText.trim();

    String tonic;
    if (noteText.isNotEmpty())
    {
        tonic += String::charToString (asciiUpper (noteText[0]));
        if (noteText.length() > 1 && (noteText[1] == '#' || noteText[1] == 'b'))
            tonic += String::charToString (noteText[1]);
    }

    const auto found = noteToPc.find (tonic.toLowerCase().toStdString());
    if (found == noteToPc.end())
    {
        error = "Unsupported key: " + tonic;
        return false;
    }

    key.rootPc = found->second;
    key.tonic = tonic;
    key.mode = mode;
    key.useSharps = ! tonic.containsChar ('b');
    resolvedKey = tonic + " " + mode;
    return true;
}

String pitchClassName (int pc, bool useSharps)
{
    const auto index = static_cast<size_t> (((pc % 12) + 12) % 12);
    return useSharps ? pcSharp[index] : pcFlat[index];
}

String midiNoteName (int note, bool useSharps)
{
    // Floor division so that notes below 0 (never produced, but representable) stay consistent.
    const int octave = (note >= 0 ? note / 12 : -((-(note + 1)) / 12) - 1) - 1; // no overflow at INT_MIN
    return pitchClassName (note, useSharps) + String (octave);
}

String keySlug (const KeySpec& key)
{
    const auto raw = key.tonic.toLowerCase().replace ("#", "s").replace (" ", "_") + "_" + key.mode;
    return raw.retainCharacters ("abcdefghijklmnopqrstuvwxyz0123456789_-");
}

namespace GenerationEngine
{
    String randomKeyName (bool preferMinor)
    {
        // Separate from the engine's generator so a random key never shifts engine draws.
        static std::mt19937 rng { std::random_device {}() };
        static std::mutex mutex;
        const std::lock_guard<std::mutex> lock (mutex);

        const auto tonic = keyPool[static_cast<size_t> (uniformInt (rng, 0, 11))];
        const auto real = uniformReal (rng);

        const bool minor = real < (preferMinor ? 0.73 : 0.5);
        return String (tonic) + " " + (minor ? "minor" : "major");
    }
} // namespace GenerationEngine

} // namespace halvix

#include "GenerationEngine.h"

namespace halvix
{

const ScalePitchClasses majorScale { 0, 2, 4, 5, 7, 9, 11 };
const ScalePitchClasses minorScale { 0, 2, 3, 5, 7, 8, 10 };

const std::unordered_map<std::string, ChordMeta> chordMeta {
    { "maj7", { "maj7", 72, 94 } },
    { "min7", { "min7", 68, 90 } },
    { "add9", { "add9", 70, 92 } },
    { "9", { "9", 72, 96 } },
    { "sus2", { "sus2", 66, 88 } },
    { "sus4", { "sus4", 68, 90 } },
    { "maj7_add9", { "maj7(add9)", 70, 92 } },
    { "min7_add9", { "min7(add9)", 68, 90 } },
    { "sus2_add9", { "sus2(add9)", 68, 90 } },
    { "sus4_add9", { "sus4(add9)", 68, 90 } },
    { "dom7", { "dom7", 74, 96 } },
    { "dim", { "dim", 60, 80 } },
    { "dim7", { "dim7", 58, 78 } },
    { "m7b5", { "m7b5", 62, 82 } },
    { "aug", { "aug", 66, 86 } },
    { "add11", { "add11", 68, 88 } },
    { "add6", { "add6", 70, 90 } },
    { "triad", { "", 74, 96 } },
};

ChordMeta chordMetaFor (const String& quality)
{
    const auto found = chordMeta.find (quality.toStdString());
    if (found != chordMeta.end())
        return found->second;
    return { quality, 70, 92 };
}

ScalePitchClasses scalePitchClasses (const KeySpec& key)
{
    const auto& steps = key.mode == "minor" ? minorScale : majorScale;
    ScalePitchClasses result {};
    for (size_t i = 0; i < result.size(); ++i)
        result[i] = (((key.rootPc + steps[i]) % 12) + 12) % 12;
    return result;
}

std::vector<int> chordPitchClasses (const ScalePitchClasses& scale, int degree, const String& quality)
{
    // Tone k steps above the degree, counted in the key's own scale.
    // Reduced first, so that any int degree works without overflowing.
    const int degreeIndex = ((degree % 7) + 6) % 7;
    auto tone = [&] (int k)
    {
        return scale[static_cast<size_t> ((degreeIndex + k) % 7)];
    };

    const int root = tone (0);
    auto chromatic = [root] (int semitones)
    { return (root + semitones) % 12; };

    std::vector<int> tones;
    const auto q = quality;

    if (q == "triad" || q == "maj" || q == "min")
    {
        tones = { root, tone (2), tone (4) };
        if (uniformReal() < 0.5)
            tones.push_back (tone (6));
    }
    else if (q == "dim")
        tones = { root, tone (2), chromatic (6) };
    else if (q == "aug")
        tones = { root, tone (2), chromatic (8) };
    else if (q == "maj7" || q == "min7")
        tones = { root, tone (2), tone (4), tone (6) };
    else if (q == "dom7")
        tones = { root, tone (2), tone (4), chromatic (10) };
    else if (q == "dim7")
        tones = { root, tone (2), chromatic (6), chromatic (9) };
    else if (q == "m7b5")
        tones = { root, tone (2), chromatic (6), tone (6) };
    else if (q == "add9" || q == "9" || q == "maj9" || q == "min9" || q == "maj7_add9" || q == "min7_add9")
        tones = { root, tone (2), tone (4), tone (6), tone (1) };
    else if (q == "dom9")
        tones = { root, tone (2), tone (4), chromatic (10), tone (1) };
    else if (q == "11" || q == "add11")
        tones = { root, tone (2), tone (4), tone (6), tone (1), tone (3) };
    else if (q == "13" || q == "add13" || q == "add6")
        tones = { root, tone (2), tone (4), tone (6), tone (5) };
    else if (q == "sus2" || q == "sus2_add9")
        tones = { root, tone (1), tone (4), tone (6) };
    else if (q == "sus4" || q == "sus4_add9" || q == "7sus4")
        tones = { root, tone (3), tone (4), tone (6) };
    else
        tones = { root, tone (2), tone (4), tone (6) };

    std::vector<int> distinct;
    distinct.reserve (tones.size());
    for (auto pc : tones)
        if (std::find (distinct.begin(), distinct.end(), pc) == distinct.end())
            distinct.push_back (pc);
    return distinct;
}

String romanPart (const String& token)
{
    auto t = token.trim();
    int i = 0;
    while (i < t.length() && (t[i] == 'b' || t[i] == '#'))
        ++i;

    int end = i;
    while (end < t.length() && (t[end] == 'I' || t[end] == 'V' || t[end] == 'i' || t[end] == 'v'))
        ++end;

    return t.substring (i, end);
}

int degreeFromNumeral (const String& numeral)
{
    static const std::array<const char*, 7> numerals { "I", "II", "III", "IV", "V", "VI", "VII" };
    const auto upper = numeral.toUpperCase();
    for (size_t i = 0; i < numerals.size(); ++i)
        if (upper == numerals[i])
            return static_cast<int> (i) + 1;
    return -1;
}

} // namespace halvix

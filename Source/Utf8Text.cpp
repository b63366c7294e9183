#include "Utf8Text.h"

#include <vector>

namespace halvix
{

namespace
{
    /** Length of the well-formed sequence at p (1-4), or 0 for a malformed one or a zero byte. */
    int utf8SequenceLength (const juce::uint8* p, const juce::uint8* end, juce::juce_wchar& codePoint)
    {
        const auto lead = *p;
        if (lead == 0)
            return 0;
        if (lead < 0x80)
        {
            codePoint = lead;
            return 1;
        }

        int extra = 0;
        juce::uint32 value = 0;
        if (lead >= 0xc2 && lead <= 0xdf)
            extra = 1, value = lead & 0x1fu;
        else if (lead >= 0xe0 && lead <= 0xef)
            extra = 2, value = lead & 0x0fu;
        else if (lead >= 0xf0 && lead <= 0xf4)
            extra = 3, value = lead & 0x07u;
        else
            return 0;

        if (end - p <= extra)
            return 0;

        for (int i = 1; i <= extra; ++i)
        {
            if ((p[i] & 0xc0) != 0x80)
                return 0;
            value = (value << 6) | (p[i] & 0x3fu);
        }

        // Overlong forms, surrogates and code points past U+10FFFF.
        if ((extra == 2 && value < 0x800) || (extra == 3 && (value < 0x10000 || value > 0x10ffff))
            || (value >= 0xd800 && value <= 0xdfff))
            return 0;

        codePoint = (juce::juce_wchar) value;
        return extra + 1;
    }
} // namespace

bool isWellFormedUtf8 (const char* data, size_t numBytes)
{
    const auto* p = reinterpret_cast<const juce::uint8*> (data);
    const auto* end = p + numBytes;
    juce::juce_wchar codePoint = 0;

    while (p < end)
    {
        const auto length = utf8SequenceLength (p, end, codePoint);
        if (length == 0)
            return false;
        p += length;
    }

    return true;
}

juce::String textFromUntrustedUtf8 (const char* data, size_t numBytes)
{
    if (isWellFormedUtf8 (data, numBytes))
        return juce::String::fromUTF8 (data, (int) numBytes);

    std::vector<juce::juce_wchar> codePoints;
    codePoints.reserve (numBytes + 1);

    const auto* p = reinterpret_cast<const juce::uint8*> (data);
    const auto* end = p + numBytes;

    while (p < end)
    {
        juce::juce_wchar codePoint = 0;
        const auto length = utf8SequenceLength (p, end, codePoint);
        codePoints.push_back (length == 0 ? (juce::juce_wchar) 0xfffd : codePoint);
        p += juce::jmax (length, 1);
    }

    codePoints.push_back (0);
    return juce::String (juce::CharPointer_UTF32 (codePoints.data()));
}

} // namespace halvix

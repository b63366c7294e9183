// Seed progressions and the chord-token rules of the Brisko and Tandu tables.
#include "FuzzSupport.h"
#include "GenerationEngine.h"

#include <fuzzer/FuzzedDataProvider.h>

#include <set>

using namespace halvix;

namespace
{
// Every quality word the token rules and the palettes may hand to the voicing.
bool isKnownQuality (const String& quality)
{
    static const std::set<std::string> extra { "dom9", "7sus4" };
    const auto q = quality.toStdString();
    return chordMeta.count (q) > 0 || extra.count (q) > 0;
}

String pickText (FuzzedDataProvider& input, std::initializer_list<const char*> usual)
{
    const auto choice = input.ConsumeIntegralInRange<size_t> (0, usual.size());
    if (choice < usual.size())
        return usual.begin()[choice];
    return fuzz::textFromBytes (input.ConsumeBytes<std::uint8_t> (input.ConsumeIntegralInRange<size_t> (0, 16)));
}
} // namespace

extern "C" int LLVMFuzzerTestOneInput (const std::uint8_t* data, size_t size)
{
    FuzzedDataProvider input (data, size);
    globalRng().seed (input.ConsumeIntegral<std::uint32_t>());
    const auto mode = pickText (input, { "major", "minor" });
    const auto function = pickText (input, { "foundation", "movement", "lift", "resolve" });
    const auto text = fuzz::textFromBytes (input.ConsumeRemainingBytes<std::uint8_t>());

    const auto seed = parseBriskoSeed (text);
    HALVIX_FUZZ_CHECK (seed.tokens.size() == (int) seed.degrees.size());
    HALVIX_FUZZ_CHECK (seed.mood == seed.mood.trim());
    if (! text.containsChar ('='))
        HALVIX_FUZZ_CHECK (seed.mood.isEmpty());

    for (int i = 0; i < seed.tokens.size(); ++i)
    {
        const auto& token = seed.tokens[i];
        const auto degree = seed.degrees[(size_t) i];
        HALVIX_FUZZ_CHECK (degree >= 1 && degree <= 7);
        HALVIX_FUZZ_CHECK (token.isNotEmpty() && ! token.containsChar (' ') && ! token.containsChar ('='));
        HALVIX_FUZZ_CHECK (degreeFromNumeral (romanPart (token)) == degree);
    }

    // The rules take any token: the parsed ones, and the raw text as one token.
    auto tokens = seed.tokens;
    tokens.add (text);
    for (const auto& token : tokens)
    {
        briskoTokenIsMinor (token, mode);

        const auto brisko = briskoQualityForToken (token, mode, function);
        HALVIX_FUZZ_CHECK (isKnownQuality (brisko));

        const auto tandu = tanduQualityForToken (token, mode, function);
        HALVIX_FUZZ_CHECK (isKnownQuality (tandu));
    }

    return 0;
}

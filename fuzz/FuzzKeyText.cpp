// Key text as typed by the user: parseKey, keySlug and note names.
#include "FuzzSupport.h"
#include "GenerationEngine.h"

using namespace halvix;

namespace
{
const juce::String kSlugCharacters ("abcdefghijklmnopqrstuvwxyz0123456789_-");

void checkParsedKey (const juce::String& text)
{
    KeySpec key;
    String resolved ("unset"), error;

    if (! parseKey (text, key, resolved, error))
    {
        HALVIX_FUZZ_CHECK (resolved == "unset");
        HALVIX_FUZZ_CHECK (error == "Key is empty." || error.startsWith ("Unsupported key: "));
        return;
    }

    HALVIX_FUZZ_CHECK (error.isEmpty());
    HALVIX_FUZZ_CHECK (key.rootPc >= 0 && key.rootPc < 12);
    HALVIX_FUZZ_CHECK (key.mode == "major" || key.mode == "minor");
    HALVIX_FUZZ_CHECK (key.tonic.length() == 1 || key.tonic.length() == 2);

    const auto found = noteToPc.find (key.tonic.toLowerCase().toStdString());
    HALVIX_FUZZ_CHECK (found != noteToPc.end() && found->second == key.rootPc);
    HALVIX_FUZZ_CHECK (key.useSharps == ! key.tonic.containsChar ('b'));
    HALVIX_FUZZ_CHECK (resolved == key.tonic + " " + key.mode);

    // The resolved text is what the processor shows and files; it must read back alike.
    KeySpec again;
    String resolvedAgain, errorAgain;
    HALVIX_FUZZ_CHECK (parseKey (resolved, again, resolvedAgain, errorAgain));
    HALVIX_FUZZ_CHECK (resolvedAgain == resolved && again.rootPc == key.rootPc && again.mode == key.mode
                       && again.tonic == key.tonic && again.useSharps == key.useSharps);

    const auto slug = keySlug (key);
    HALVIX_FUZZ_CHECK (slug.containsOnly (kSlugCharacters));
    HALVIX_FUZZ_CHECK (slug.endsWith ("_" + key.mode) && slug.length() > key.mode.length() + 1);
}
} // namespace

extern "C" int LLVMFuzzerTestOneInput (const std::uint8_t* data, size_t size)
{
    const auto text = fuzz::textFromBytes (data, size);
    checkParsedKey (text);

    // A key record never produced by parseKey still slugs into a safe file-name prefix.
    KeySpec raw;
    raw.tonic = text;
    raw.mode = text.fromLastOccurrenceOf (" ", false, false);
    HALVIX_FUZZ_CHECK (keySlug (raw).containsOnly (kSlugCharacters));

    // Note names of any integer, the extremes included.
    if (size >= 4)
    {
        std::int32_t note = 0;
        std::memcpy (&note, data, sizeof (note));
        for (const bool sharps : { true, false })
        {
            const auto name = midiNoteName (note, sharps);
            HALVIX_FUZZ_CHECK (name.isNotEmpty());
            HALVIX_FUZZ_CHECK (pitchClassName (note, sharps).isNotEmpty());
            HALVIX_FUZZ_CHECK (name.startsWith (pitchClassName (note, sharps)));
        }
    }

    return 0;
}

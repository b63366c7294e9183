#pragma once

#include <juce_core/juce_core.h>

namespace halvix
{

/** JSON text on one line: ", " between members and elements, ": " after keys. */
juce::String toSingleLineJson (const juce::var& value);

/** Replaces a file's content with the UTF-8 bytes of text, via a temporary file in the
    same folder that is renamed over the target only once it is complete, so a failed
    write leaves the old file as it was. */
bool replaceFileContentSafely (const juce::File& target, const juce::String& text);

/** Copies a file the same way: the target is replaced only by a complete copy, so a full
    disk leaves it as it was (or absent) instead of cut off. */
bool copyFileSafely (const juce::File& source, const juce::File& target);

/** The "total_generations" a state file holds now, or -1 when it holds none. */
int storedTotalGenerations (const juce::File& stateFile);

} // namespace halvix

#pragma once

#include <juce_core/juce_core.h>

namespace halvix
{

/** Whether bytes are well-formed UTF-8 without zero bytes. Stricter than JUCE's
    CharPointer_UTF8::isValidString, which accepts a lead byte followed by any byte (a
    lone "\xd8" before a space), after which String operations read past the text. */
bool isWellFormedUtf8 (const char* data, size_t numBytes);

/** Text from bytes that should be UTF-8; each byte of a malformed sequence becomes U+FFFD. */
juce::String textFromUntrustedUtf8 (const char* data, size_t numBytes);

} // namespace halvix

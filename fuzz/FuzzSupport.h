#pragma once

#include <juce_core/juce_core.h>

#include "Utf8Text.h"

#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <vector>

// A broken invariant is a finding: report where and abort, so libFuzzer keeps the input.
#define HALVIX_FUZZ_CHECK(condition)                                                                \
    do                                                                                              \
    {                                                                                               \
        if (! (condition))                                                                          \
        {                                                                                           \
            std::fprintf (stderr, "%s:%d: invariant broken: %s\n", __FILE__, __LINE__, #condition); \
            std::abort();                                                                           \
        }                                                                                           \
    } while (false)

namespace halvix::fuzz
{

/** The text a user could have typed: the bytes as UTF-8, each byte of a malformed
    sequence as U+FFFD, the way the command line reads its arguments. (JUCE's own
    String::fromUTF8 keeps malformed bytes, which no real caller hands on.) */
inline juce::String textFromBytes (const std::uint8_t* data, size_t size)
{
    return textFromUntrustedUtf8 (reinterpret_cast<const char*> (data), size);
}

inline juce::String textFromBytes (const std::vector<std::uint8_t>& bytes)
{
    return textFromBytes (bytes.data(), bytes.size());
}

/** A scratch folder of this process, created once. */
inline juce::File scratchFolder (const char* name)
{
    // Memory-backed when there is one: every MIDI file written is flushed with fsync.
    const juce::File shm ("/dev/shm");
    const auto folder = (shm.isDirectory() ? shm : juce::File::getSpecialLocation (juce::File::tempDirectory))
                            .getChildFile (juce::String (name) + "_" + juce::String (juce::Time::currentTimeMillis())
                                           + "_" + juce::String::toHexString (juce::Random::getSystemRandom().nextInt64()));
    folder.createDirectory();
    return folder;
}

} // namespace halvix::fuzz

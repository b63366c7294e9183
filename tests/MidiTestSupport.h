#pragma once

#include <juce_core/juce_core.h>

#include <cstdio>
#include <unistd.h>

// Test helpers shared by the MIDI-writing tests: a scratch folder and an independent reader.
namespace halvix::testing
{
/** A fresh folder under the temp directory, removed with everything in it afterwards. The name
    is unique per process, since several builds may run these tests at once. */
struct ScratchFolder
{
    ScratchFolder()
        : folder (juce::File::getSpecialLocation (juce::File::tempDirectory)
                      .getNonexistentChildFile ("halvix_midi_test_" + juce::String (getpid()) + "_" + juce::String (juce::Random::getSystemRandom().nextInt64()), "", false))
    {
        folder.createDirectory();
    }

    ~ScratchFolder() { folder.deleteRecursively(); }

    juce::File folder;
};

/** The JSON description of a MIDI file as read by mido (tests/midi_dump.py), or a void var
    with the reader's message in problem. */
inline juce::var readWithMido (const juce::File& file, juce::String& problem)
{
    const auto script = juce::File (HALVIX_TEST_SOURCE_DIR).getChildFile ("midi_dump.py");
    const auto command = "/usr/bin/python3 " + script.getFullPathName().quoted ('\'') + " "
                         + file.getFullPathName().quoted ('\'') + " 2>&1";

    juce::MemoryOutputStream output;
    auto* pipe = popen (command.toRawUTF8(), "r");
    if (pipe == nullptr)
    {
        problem = "could not start /usr/bin/python3";
        return {};
    }

    char buffer[4096];
    size_t got = 0;
    while ((got = fread (buffer, 1, sizeof (buffer), pipe)) > 0)
        output.write (buffer, got);

    const auto status = pclose (pipe);
    const auto text = output.toString();

    if (status != 0)
    {
        problem = "midi_dump.py failed (" + juce::String (status) + "): " + text
                  + (text.contains ("mido is not installed") ? " -- install Debian's python3-mido for /usr/bin/python3" : "");
        return {};
    }

    auto parsed = juce::JSON::parse (text);
    if (! parsed.isObject())
        problem = "midi_dump.py printed no JSON: " + text;
    return parsed;
}

} // namespace halvix::testing

// Arbitrary bytes as the state file: the processor must start, keep sane values and
// save a state file that reads back as a JSON object.
#include "FuzzSupport.h"
#include "PluginProcessor.h"

#include <juce_events/juce_events.h>

using namespace halvix;

namespace
{
juce::File home;

juce::File stateFile()
{
    return home.getChildFile ("halvix_exports").getChildFile (".halvix_state.json");
}
} // namespace

extern "C" int LLVMFuzzerInitialize (int*, char***)
{
    static juce::ScopedJuceInitialiser_GUI juce;
    home = fuzz::scratchFolder ("halvix_fuzz_home");
    ::setenv ("HOME", home.getFullPathName().toRawUTF8(), 1);
    home.getChildFile ("halvix_exports").createDirectory();
    return 0;
}

extern "C" int LLVMFuzzerTestOneInput (const std::uint8_t* data, size_t size)
{
    const auto file = stateFile();
    file.deleteRecursively();
    HALVIX_FUZZ_CHECK (file.replaceWithData (data, size));

    {
        HalvixAudioProcessor processor;
        HALVIX_FUZZ_CHECK (processor.totalGenerations >= 0);
        HALVIX_FUZZ_CHECK (normalizeEngineId (processor.activeEngineModel).isNotEmpty());
        HALVIX_FUZZ_CHECK (processor.activeEngineModel == processor.activeEngineModel.trim());
        HALVIX_FUZZ_CHECK (processor.themeAccentIndex >= 0 && processor.themeAccentIndex <= 5);
        HALVIX_FUZZ_CHECK (processor.themeBgImage.isEmpty() || juce::File (processor.themeBgImage).existsAsFile());

        processor.saveState();

        const auto saved = juce::JSON::parse (file.loadFileAsString());
        HALVIX_FUZZ_CHECK (saved.getDynamicObject() != nullptr);
        HALVIX_FUZZ_CHECK ((int) saved["total_generations"] == processor.totalGenerations);
        HALVIX_FUZZ_CHECK (saved["active_engine_model"].toString() == processor.activeEngineModel);
        HALVIX_FUZZ_CHECK ((int) saved["theme_accent_index"] == processor.themeAccentIndex);

        // What was saved must load as the same values at the next start.
        const HalvixAudioProcessor restarted;
        HALVIX_FUZZ_CHECK (restarted.totalGenerations == processor.totalGenerations);
        HALVIX_FUZZ_CHECK (restarted.activeEngineModel == processor.activeEngineModel);
        HALVIX_FUZZ_CHECK (restarted.themeAccentIndex == processor.themeAccentIndex);
        HALVIX_FUZZ_CHECK (restarted.themeBgImage == processor.themeBgImage);

        juce::MemoryBlock blob;
        processor.getStateInformation (blob);
        HALVIX_FUZZ_CHECK (juce::JSON::parse (blob.toString()).getDynamicObject() != nullptr);
    }

    // No temporary file of a save may be left behind.
    HALVIX_FUZZ_CHECK (file.getParentDirectory().findChildFiles (juce::File::findFiles, false, "*_temp*").isEmpty());
    return 0;
}

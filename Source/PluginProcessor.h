#pragma once

#include <juce_audio_processors/juce_audio_processors.h>

#include "GenerationEngine.h"

#include <vector>

namespace halvix
{

/** The plug-in object. It makes no sound: all its work (generation runs, the export
    folder and the state file) happens on the message thread. */
class HalvixAudioProcessor : public juce::AudioProcessor
{
public:
    HalvixAudioProcessor();
    ~HalvixAudioProcessor() override;

    const juce::String getName() const override;

    void prepareToPlay (double sampleRate, int samplesPerBlock) override;
    void releaseResources() override;
    void processBlock (juce::AudioBuffer<float>& buffer, juce::MidiBuffer& midiMessages) override;
    using AudioProcessor::processBlock;

    double getTailLengthSeconds() const override;
    bool acceptsMidi() const override;
    bool producesMidi() const override;
    bool isMidiEffect() const override;

    juce::AudioProcessorEditor* createEditor() override;
    bool hasEditor() const override;

    int getNumPrograms() override;
    int getCurrentProgram() override;
    void setCurrentProgram (int index) override;
    const juce::String getProgramName (int index) override;
    void changeProgramName (int index, const juce::String& newName) override;

    void getStateInformation (juce::MemoryBlock& destData) override;
    void setStateInformation (const void* data, int sizeInBytes) override;

    bool isBusesLayoutSupported (const BusesLayout& layouts) const override;

    //==============================================================================
    /** One complete generation run; false with a reason in error on failure. */
    bool generateTop3 (const juce::String& key, bool randomKey, int bpm, const juce::String& vibe, juce::String& error);

    /** Writes the run summary for the given results and lastTelemetry. */
    bool writeProgressionsJson (const juce::String& key,
                                const std::vector<VariationData>& variations,
                                const juce::File& file,
                                juce::String& error) const;

    /** Rewrites the state file from the members; failures are ignored. */
    void saveState() const;

    std::vector<EngineCatalogEntry> getEngineCatalog() const;

    //==============================================================================
    // Shared with the editor. activeEngineModel, lastStatus, lastVariations and
    // totalGenerations are read and written under stateLock.
    juce::File exportRoot;
    juce::File allMidisDir;
    juce::File stateFile;
    int totalGenerations = 0;
    juce::String lastKey;
    juce::String lastStatus;
    juce::String activeEngineModel { "Brisko" };
    int themeAccentIndex = 0;
    juce::String themeBgImage;
    juce::File lastRunFolder;
    std::vector<VariationData> lastVariations;
    GenerationTelemetry lastTelemetry;
    juce::CriticalSection stateLock;

private:
    /** Prepares the export folder, imports an older one and loads or writes the state file. */
    void runStartupSequence();

    JUCE_DECLARE_NON_COPYABLE_WITH_LEAK_DETECTOR (HalvixAudioProcessor)
};

/** The file-name fragment of a key or template name: "C# minor" -> "c_minor". */
juce::String slugify (const juce::String& text);

} // namespace halvix

#include "PluginProcessor.h"
#include "PluginEditor.h"

namespace halvix
{

HalvixAudioProcessor::HalvixAudioProcessor()
    : AudioProcessor (BusesProperties().withOutput ("Output", juce::AudioChannelSet::stereo(), true))
{
}

HalvixAudioProcessor::~HalvixAudioProcessor() = default;

const juce::String HalvixAudioProcessor::getName() const { return "halvix"; }

void HalvixAudioProcessor::prepareToPlay (double, int) {}
void HalvixAudioProcessor::releaseResources() {}

void HalvixAudioProcessor::processBlock (juce::AudioBuffer<float>& buffer, juce::MidiBuffer&)
{
    // Runs on the audio thread: touches no member and no lock.
    juce::ScopedNoDenormals noDenormals;

    for (auto channel = getTotalNumInputChannels(); channel < getTotalNumOutputChannels(); ++channel)
        buffer.clear (channel, 0, buffer.getNumSamples());
}

double HalvixAudioProcessor::getTailLengthSeconds() const { return 0.0; }
bool HalvixAudioProcessor::acceptsMidi() const { return false; }
bool HalvixAudioProcessor::producesMidi() const { return false; }
bool HalvixAudioProcessor::isMidiEffect() const { return false; }

juce::AudioProcessorEditor* HalvixAudioProcessor::createEditor() { return new HalvixAudioProcessorEditor (*this); }
bool HalvixAudioProcessor::hasEditor() const { return true; }

int HalvixAudioProcessor::getNumPrograms() { return 1; }
int HalvixAudioProcessor::getCurrentProgram() { return 0; }
void HalvixAudioProcessor::setCurrentProgram (int) {}
const juce::String HalvixAudioProcessor::getProgramName (int) { return {}; }
void HalvixAudioProcessor::changeProgramName (int, const juce::String&) {}

void HalvixAudioProcessor::getStateInformation (juce::MemoryBlock& destData)
{
    destData.reset();
}

void HalvixAudioProcessor::setStateInformation (const void*, int)
{
    // The state file is the only persistence restored; the host's copy is ignored.
}

bool HalvixAudioProcessor::isBusesLayoutSupported (const BusesLayout& layouts) const
{
    if (layouts.outputBuses.isEmpty())
        return false;

    const auto main = layouts.getMainOutputChannelSet();
    return main == juce::AudioChannelSet::mono() || main == juce::AudioChannelSet::stereo();
}

bool HalvixAudioProcessor::generateTop3 (const juce::String&, bool, int, const juce::String&, juce::String& error)
{
    error = "Generation is not available yet.";
    lastStatus = "Generation failed";
    return false;
}

bool HalvixAudioProcessor::writeProgressionsJson (const juce::String&, const std::vector<VariationData>&, const juce::File& file, juce::String& error) const
{
    error = "Failed to write progressions JSON: " + file.getFullPathName();
    return false;
}

void HalvixAudioProcessor::saveState() const {}

std::vector<EngineCatalogEntry> HalvixAudioProcessor::getEngineCatalog() const { return {}; }

} // namespace halvix

juce::AudioProcessor* JUCE_CALLTYPE createPluginFilter()
{
    return new halvix::HalvixAudioProcessor();
}

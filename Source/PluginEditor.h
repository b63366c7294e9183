#pragma once

#include <juce_audio_processors/juce_audio_processors.h>
#include <juce_gui_extra/juce_gui_extra.h>

#include "PluginProcessor.h"

namespace halvix
{

class HalvixAudioProcessorEditor : public juce::AudioProcessorEditor
{
public:
    explicit HalvixAudioProcessorEditor (HalvixAudioProcessor& owner);
    ~HalvixAudioProcessorEditor() override;

    void paint (juce::Graphics& g) override;
    void resized() override;

private:
    HalvixAudioProcessor& processor;

    JUCE_DECLARE_NON_COPYABLE_WITH_LEAK_DETECTOR (HalvixAudioProcessorEditor)
};

} // namespace halvix

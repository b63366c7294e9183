#include "PluginEditor.h"

namespace halvix
{

HalvixAudioProcessorEditor::HalvixAudioProcessorEditor (HalvixAudioProcessor& owner)
    : AudioProcessorEditor (owner), processor (owner)
{
    setOpaque (true);
    setSize (1000, 700);
}

HalvixAudioProcessorEditor::~HalvixAudioProcessorEditor() = default;

void HalvixAudioProcessorEditor::paint (juce::Graphics& g)
{
    g.fillAll (juce::Colour (0xff000000));
}

void HalvixAudioProcessorEditor::resized() {}

} // namespace halvix

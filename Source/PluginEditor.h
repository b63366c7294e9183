#pragma once

#include <juce_audio_processors/juce_audio_processors.h>
#include <juce_gui_extra/juce_gui_extra.h>

#include "HalvixLookAndFeel.h"
#include "PluginProcessor.h"
#include "VariationCardComponent.h"

#include <array>
#include <functional>
#include <memory>

namespace halvix
{

/** The six accent colours the top bar offers, violet first. */
extern const std::array<juce::Colour, 6> accentPalette;

/** One accent colour swatch of the top bar. */
class AccentDot : public juce::Component
{
public:
    AccentDot (juce::Colour dotColour, std::function<void()> clickHandler);

    void setSelected (bool shouldBeSelected);
    bool isSelected() const noexcept { return selected; }
    juce::Colour getColour() const noexcept { return colour; }

    void paint (juce::Graphics& g) override;
    void mouseEnter (const juce::MouseEvent& e) override;
    void mouseExit (const juce::MouseEvent& e) override;
    void mouseDown (const juce::MouseEvent& e) override;

private:
    juce::Colour colour;
    std::function<void()> onClick;
    bool selected = false;
    bool hovered = false;

    JUCE_DECLARE_NON_COPYABLE_WITH_LEAK_DETECTOR (AccentDot)
};

//==============================================================================
/** The plug-in window: top bar, GENERATE button with its status line, and the three
    result cards. */
class HalvixAudioProcessorEditor : public juce::AudioProcessorEditor, private juce::Timer
{
public:
    explicit HalvixAudioProcessorEditor (HalvixAudioProcessor& owner);
    ~HalvixAudioProcessorEditor() override;

    void paint (juce::Graphics& g) override;
    void resized() override;

    void applyAccentColour (juce::Colour c);

    /** Makes the 1000 x 700 noise texture laid over the background; the same on every start. */
    static juce::Image createGrainImage();

    /** The logo picture, searched in the source tree and the install locations. */
    static juce::File findLogoFile();

private:
    friend struct EditorTestProbe;

    void timerCallback() override;

    void configureControls();
    void generateClicked();
    void runPostedGeneration();
    void renderVariations (const std::vector<VariationData>& variations);
    void refreshMetrics();
    void advanceReveal();
    void loadBackgroundImage();
    void setBackgroundImage (const juce::Image& image);
    void paintBackdrop (juce::Graphics& g) const;
    static void backgroundChosen (juce::Component::SafePointer<HalvixAudioProcessorEditor> safeEditor, const juce::File& file);
    void engineChanged();
    void cardClicked (VariationCardComponent& card);
    void accentClicked (int index, juce::Colour c);
    void layOutCards (int expandedIndex);
    int readTempo() const;

    HalvixAudioProcessor& processor;

    juce::Label titleLabel;
    juce::ImageComponent logoImage;
    juce::ComboBox modelCombo { "modelCombo" }; // named from the start: the look and feel lays it out by name
    juce::Label engineLabel;
    juce::Label metricsLabel;
    juce::ComboBox keyCombo;
    juce::TextEditor bpmInput;
    juce::ToggleButton randomToggle;
    juce::Label keyLabel, bpmLabel, themeLabel;
    juce::TextButton bgButton { "BG" };
    juce::OwnedArray<AccentDot> accentDots;
    juce::TextButton generateButton { "GENERATE TOP 3" };
    juce::Label statusLabel;
    std::array<VariationCardComponent, 3> cards;

    juce::Rectangle<int> topBarArea, heroArea, cardsArea;

    float animationPhase = 0.0f;
    std::array<float, 3> revealProgress { 1.0f, 1.0f, 1.0f };
    bool revealActive = false;
    int revealTick = 0;

    juce::Image backgroundImage;
    juce::Image grainImage;
    juce::Image backdrop; // bgMain, picture, top bar, divider and grain, composed once

    std::unique_ptr<HalvixLookAndFeel> lookAndFeel;

    JUCE_DECLARE_NON_COPYABLE_WITH_LEAK_DETECTOR (HalvixAudioProcessorEditor)
};

} // namespace halvix

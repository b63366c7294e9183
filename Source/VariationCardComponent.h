#pragma once

#include <juce_gui_basics/juce_gui_basics.h>

#include "GenerationEngine.h"

#include <functional>

namespace halvix
{

/** One result card: a numbered placeholder, or a variation with its rank, template
    name and chord list. Clicks are reported to the owner; dragging hands the MIDI
    file to the operating system. */
class VariationCardComponent : public juce::Component
{
public:
    VariationCardComponent();
    ~VariationCardComponent() override;

    void setPlaceholder (int number);
    void setVariation (const VariationData& v);
    void setExpanded (bool shouldBeExpanded);

    bool showsVariation() const noexcept { return hasVariation; }
    bool isExpanded() const noexcept { return expanded; }
    int getPlaceholderIndex() const noexcept { return placeholderIndex; }
    const juce::String& getMidiPath() const noexcept { return midiPath; }

    /** Opacity of what the card paints itself (not its labels); the fade-in drives it. */
    void setRevealAlpha (float alpha) noexcept { revealAlpha = alpha; }
    float getRevealAlpha() const noexcept { return revealAlpha; }

    const juce::Label& getHeaderLabel() const noexcept { return headerLabel; }
    const juce::Label& getNameLabel() const noexcept { return nameLabel; }
    const juce::Label& getHintLabel() const noexcept { return hintLabel; }
    const juce::Label& getDetailsLabel() const noexcept { return detailsLabel; }

    /** The chord list shown when the card is expanded, one line per chord. */
    static juce::String describeChords (const std::vector<ChordData>& chords);

    void paint (juce::Graphics& g) override;
    void resized() override;
    void mouseEnter (const juce::MouseEvent& e) override;
    void mouseExit (const juce::MouseEvent& e) override;
    void mouseDown (const juce::MouseEvent& e) override;
    void mouseDrag (const juce::MouseEvent& e) override;

    /** Called on every mouse press, placeholders included. */
    std::function<void (VariationCardComponent*)> onCardClicked;

protected:
    /** Starts the operating system's drag of the card's MIDI file. */
    virtual void beginFileDrag (const juce::String& path);

private:
    bool hasVariation = false;
    bool expanded = false;
    bool hovered = false;
    bool fileDragStarted = false;
    float revealAlpha = 1.0f;
    int placeholderIndex = 0;
    juce::String midiPath;
    VariationData variation;

    juce::Label headerLabel;
    juce::Label nameLabel;
    juce::Label hintLabel;
    juce::Label detailsLabel;

    JUCE_DECLARE_NON_COPYABLE_WITH_LEAK_DETECTOR (VariationCardComponent)
};

} // namespace halvix

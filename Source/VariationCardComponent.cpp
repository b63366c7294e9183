#include "VariationCardComponent.h"

#include "HalvixLookAndFeel.h"

namespace halvix
{

namespace
{
    void styleLabel (juce::Label& label, const juce::Font& font, juce::Colour colour, juce::Justification justification)
    {
        label.setFont (font);
        label.setColour (juce::Label::textColourId, colour);
        label.setJustificationType (justification);
    }
} // namespace

VariationCardComponent::VariationCardComponent()
{
    for (auto* label : { &headerLabel, &nameLabel, &hintLabel })
        addAndMakeVisible (*label);
    addChildComponent (detailsLabel);

    // Presses and drags anywhere on the card belong to the card.
    for (auto* label : { &headerLabel, &nameLabel, &hintLabel, &detailsLabel })
        label->setInterceptsMouseClicks (false, false);

    styleLabel (headerLabel, displayFont (14.0f, 1, 0.0f), textSecondary, juce::Justification::centredLeft);
    styleLabel (nameLabel, bodyFont (16.0f, 1, 0.0f), textPrimary, juce::Justification::centredLeft);
    styleLabel (hintLabel, bodyFont (11.0f, 0, 0.02f), textSecondary, juce::Justification::centred);
    styleLabel (detailsLabel, monoFont (11.0f, 0), textSecondary, juce::Justification::topLeft);

    setPlaceholder (1);
}

VariationCardComponent::~VariationCardComponent() = default;

void VariationCardComponent::setPlaceholder (int number)
{
    hasVariation = false;
    expanded = false;
    placeholderIndex = number;
    midiPath.clear();
    variation = VariationData();

    for (auto* label : { &headerLabel, &nameLabel, &hintLabel, &detailsLabel })
        label->setText ({}, juce::dontSendNotification);
    detailsLabel.setVisible (false);

    repaint();
}

void VariationCardComponent::setVariation (const VariationData& v)
{
    hasVariation = true;
    expanded = false;
    midiPath = v.midiFile.getFullPathName();
    variation = v;

    headerLabel.setText ("#" + juce::String (v.rank), juce::dontSendNotification);
    styleLabel (headerLabel, displayFont (14.0f, 1, 0.0f), defaultAccent, juce::Justification::centredLeft);

    nameLabel.setText (v.templateName, juce::dontSendNotification);

    hintLabel.setText ("drag midi", juce::dontSendNotification);
    styleLabel (hintLabel, bodyFont (11.0f, 0, 0.02f), textSecondary, juce::Justification::centred);

    detailsLabel.setText (describeChords (v.chords), juce::dontSendNotification);
    detailsLabel.setVisible (false);

    resized();
    repaint();
}

void VariationCardComponent::setExpanded (bool shouldBeExpanded)
{
    expanded = shouldBeExpanded;

    if (hasVariation)
    {
        detailsLabel.setVisible (shouldBeExpanded);
        if (shouldBeExpanded)
            styleLabel (detailsLabel, monoFont (11.0f, 0), textSecondary, juce::Justification::topLeft);
    }

    resized();
    repaint();
}

juce::String VariationCardComponent::describeChords (const std::vector<ChordData>& chords)
{
    juce::StringArray lines;
    int n = 1;

    for (const auto& chord : chords)
        lines.add (juce::String (n++) + ". " + chord.chordName
                   + " | [" + chord.midiNotes.joinIntoString (", ") + "]"
                   + " | " + juce::String (chord.durationBeats, 2) + " beats"
                   + " | velocity " + juce::String (chord.velocityMin) + "-" + juce::String (chord.velocityMax));

    return lines.joinIntoString ("\n");
}

//==============================================================================
void VariationCardComponent::resized()
{
    // A placeholder has empty labels; they stay wherever they were.
    if (! hasVariation)
        return;

    auto area = getLocalBounds().reduced (16, 14);

    headerLabel.setBounds (area.removeFromTop (20));
    area.removeFromTop (4);
    nameLabel.setBounds (area.removeFromTop (22));
    area.removeFromTop (4);

    if (expanded && detailsLabel.isVisible())
    {
        detailsLabel.setBounds (area.withTrimmedTop (4).withTrimmedBottom (4));
        hintLabel.setBounds ({});
    }
    else
    {
        detailsLabel.setBounds ({});
        hintLabel.setBounds (area.removeFromBottom (18));
    }
}

void VariationCardComponent::paint (juce::Graphics& g)
{
    // The fade-in is carried by each colour's alpha: Graphics::setOpacity would be
    // reset by the first setColour.
    const auto alpha = juce::jlimit (0.0f, 1.0f, revealAlpha);
    const juce::Rectangle<float> r (0.5f, 0.5f, (float) juce::jmax (getWidth() - 1, 0), (float) juce::jmax (getHeight() - 1, 0));

    if (hasVariation)
    {
        const auto fill = expanded ? bgCardExpand : (hovered ? bgCardHover : bgCard);
        const auto border = expanded ? juce::Colour (0x998b5cf6) : (hovered ? borderHover : borderDefault);

        g.setColour (fill.withMultipliedAlpha (alpha));
        g.fillRoundedRectangle (r, 14.0f);
        g.setColour (border.withMultipliedAlpha (alpha));
        g.drawRoundedRectangle (r, 14.0f, 1.0f);
        return;
    }

    g.setColour (borderDefault.withMultipliedAlpha (alpha));
    g.drawRoundedRectangle (r, 14.0f, 1.0f);

    g.setColour (textDisabled.withMultipliedAlpha (alpha));
    g.setFont (displayFont (32.0f, 1, 0.0f));
    g.drawText (juce::String (placeholderIndex), r, juce::Justification::centred, true);
}

void VariationCardComponent::mouseEnter (const juce::MouseEvent&)
{
    hovered = true;
    setMouseCursor (hasVariation ? juce::MouseCursor::DraggingHandCursor : juce::MouseCursor::NormalCursor);
    repaint();
}

void VariationCardComponent::mouseExit (const juce::MouseEvent&)
{
    hovered = false;
    setMouseCursor (juce::MouseCursor::NormalCursor);
    repaint();
}

void VariationCardComponent::mouseDown (const juce::MouseEvent&)
{
    fileDragStarted = false;

    if (onCardClicked)
        onCardClicked (this);
}

void VariationCardComponent::mouseDrag (const juce::MouseEvent& e)
{
    if (fileDragStarted || ! hasVariation || midiPath.isEmpty())
        return;

    if (! juce::File (midiPath).existsAsFile())
        return;

    // getDistanceFromDragStart rounds to the nearest pixel.
    // One drag per press: the platform drag owns the mouse until it ends.
    if (e.getDistanceFromDragStart() > 5)
    {
        fileDragStarted = true;
        beginFileDrag (midiPath);
    }
}

void VariationCardComponent::beginFileDrag (const juce::String& path)
{
    juce::DragAndDropContainer::performExternalDragDropOfFiles (juce::StringArray (path), false, nullptr, nullptr);
}

} // namespace halvix

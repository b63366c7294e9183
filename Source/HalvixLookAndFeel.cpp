#include "HalvixLookAndFeel.h"

#include <cmath>
#include <cstring>

namespace halvix
{

namespace
{
    // The house typeface, then the macOS system faces, then the faces a Linux
    // install ships with (fonts-inter, fonts-jetbrains-mono).
    const char* const kTextFamilies[] = { "Akira Expanded", "SF Pro Display", "Inter", "DejaVu Sans" };
    const char* const kMonoFamilies[] = { "Akira Expanded", "SF Mono", "JetBrains Mono", "DejaVu Sans Mono" };

    // Asked once: scanning the system's typefaces is slow, and nothing installs
    // fonts while the program runs. JUCE does not always report a missing face as
    // "<Sans-Serif>" on Linux, so the choice is made from this list.
    const juce::StringArray& installedFamilies()
    {
        static const juce::StringArray names = juce::Font::findAllTypefaceNames();
        return names;
    }

    template <size_t N>
    juce::String firstInstalled (const char* const (&candidates)[N], const juce::String& otherwise)
    {
        for (auto* name : candidates)
            if (installedFamilies().contains (name, true))
                return name;

        return otherwise;
    }

    juce::Rectangle<float> insetBounds (int w, int h)
    {
        return { 0.5f, 0.5f, (float) juce::jmax (w - 1, 0), (float) juce::jmax (h - 1, 0) };
    }

    juce::Font withSansFallback (juce::Font font, const juce::String& fallbackFamily, float height, int bold, float kerning)
    {
        if (font.getTypefaceName() == juce::Font::getDefaultSansSerifFontName())
            return makeFont (fallbackFamily, height, bold, kerning);

        return font;
    }
} // namespace

//==============================================================================
juce::String resolvedTextFamily()
{
    static const juce::String family = firstInstalled (kTextFamilies, juce::Font::getDefaultSansSerifFontName());
    return family;
}

juce::String resolvedMonoFamily()
{
    static const juce::String family = firstInstalled (kMonoFamilies, juce::Font::getDefaultMonospacedFontName());
    return family;
}

juce::Font makeFont (const juce::String& name, float height, int bold, float kerning)
{
    return juce::Font (juce::FontOptions (name, bold != 0 ? "Bold" : "Regular", height).withKerningFactor (kerning));
}

juce::Font displayFont (float height, int, float kerning)
{
    return withSansFallback (makeFont (resolvedTextFamily(), height, 1, kerning), "SF Pro Display", height, 1, kerning);
}

juce::Font bodyFont (float height, int bold, float kerning)
{
    return withSansFallback (makeFont (resolvedTextFamily(), height, bold, kerning), "SF Pro Display", height, bold, kerning);
}

juce::Font monoFont (float height, int style)
{
    return withSansFallback (makeFont (resolvedMonoFamily(), height, style, 0.0f), "SF Mono", height, style, 0.0f);
}

//==============================================================================
HalvixLookAndFeel::HalvixLookAndFeel()
{
    setColour (juce::ComboBox::backgroundColourId, bgInput);
    setColour (juce::ComboBox::textColourId, textPrimary);
    setColour (juce::ComboBox::outlineColourId, borderDefault);
    setColour (juce::ComboBox::arrowColourId, textSecondary);
    setColour (juce::TextEditor::focusedOutlineColourId, accent);
    setColour (juce::PopupMenu::highlightedBackgroundColourId, accent);
    setColour (juce::PopupMenu::highlightedTextColourId, juce::Colours::white);
    setColour (juce::TextEditor::backgroundColourId, bgInput);
    setColour (juce::TextEditor::textColourId, textPrimary);
    setColour (juce::TextEditor::outlineColourId, borderDefault);
    setColour (juce::TextButton::textColourOffId, textPrimary);
    setColour (juce::TextButton::textColourOnId, textPrimary);
    setColour (juce::PopupMenu::backgroundColourId, juce::Colour (0xff040406));
    setColour (juce::PopupMenu::textColourId, textPrimary);
    setColour (juce::PopupMenu::headerTextColourId, textSecondary);
}

void HalvixLookAndFeel::setAccent (juce::Colour newAccent)
{
    accent = newAccent;
    setColour (juce::ComboBox::backgroundColourId, bgInput);
    setColour (juce::ComboBox::textColourId, textPrimary);
    setColour (juce::ComboBox::outlineColourId, borderDefault);
    setColour (juce::ComboBox::arrowColourId, textSecondary);
    setColour (juce::TextEditor::focusedOutlineColourId, accent);
    setColour (juce::PopupMenu::highlightedBackgroundColourId, accent);
    setColour (juce::PopupMenu::highlightedTextColourId, juce::Colours::white);
}

bool HalvixLookAndFeel::isGenerateButton (const juce::Button& button)
{
    // "GENERATING..." does not contain "GENERATE", but the pending button must keep
    // its look (dimmed) rather than turn into an ordinary button.
    const auto text = button.getButtonText();
    return text.containsIgnoreCase ("GENERATE") || text.containsIgnoreCase ("GENERATING");
}

//==============================================================================
void HalvixLookAndFeel::drawButtonBackground (juce::Graphics& g, juce::Button& button, const juce::Colour&, bool highlighted, bool down)
{
    const auto r = insetBounds (button.getWidth(), button.getHeight());

    if (! isGenerateButton (button))
    {
        auto fill = highlighted ? bgCardHover : bgCard;
        if (down)
            fill = fill.darker (0.1f);

        g.setColour (fill);
        g.fillRoundedRectangle (r, 8.0f);
        g.setColour (borderDefault);
        g.drawRoundedRectangle (r, 8.0f, 1.0f);
        return;
    }

    auto dark = accent.darker (0.35f);
    auto light = accent.brighter (0.25f);
    const auto p = 0.5f + 0.5f * std::sin (phase);
    const auto q = 0.5f + 0.5f * std::sin (1.7f * phase);
    auto mid = accent.interpolatedWith (light, 0.4f * q);

    if (highlighted)
    {
        dark = dark.brighter (0.1f);
        light = light.brighter (0.1f);
        mid = mid.brighter (0.1f);
    }

    if (down)
    {
        dark = dark.darker (0.16f);
        light = light.darker (0.16f);
        mid = mid.darker (0.16f);
    }

    // Graphics::setOpacity is undone by the next setColour, so the dimming of a
    // disabled button is applied to each colour instead.
    const auto enabled = button.isEnabled();
    const auto opacity = enabled ? 1.0f : 0.4f;

    const auto wp = r.getWidth();
    const auto hp = r.getHeight();
    const auto y = 0.5f + hp / 2.0f;

    juce::ColourGradient gradient (dark.withAlpha (accent.getAlpha()), 0.5f - 0.3f * wp * p, y, accent, wp + 0.5f + 0.3f * wp * (1.0f - p), y, false);
    gradient.addColour (0.3 + 0.4 * p, mid);
    gradient.multiplyOpacity (opacity);
    fillHorizontalGradient (g, gradient, r, 12.0f);

    const auto ringAlpha = (juce::uint8) (int) (20.0f + 25.0f * q);
    g.setColour (light.withAlpha (ringAlpha).withMultipliedAlpha (opacity));
    g.drawRoundedRectangle (r, 12.0f, 1.0f);

    if (enabled)
    {
        const auto grow = highlighted ? 10.0f : 5.0f + 4.0f * p;
        const juce::Rectangle<float> glow (0.5f - grow, 0.5f - grow, juce::jmax (wp + 2.0f * grow, 0.0f), juce::jmax (hp + 2.0f * grow, 0.0f));
        g.setColour (accent.withAlpha (ringAlpha));
        g.drawRoundedRectangle (glow, 18.0f, 2.5f);
    }
}

void HalvixLookAndFeel::fillHorizontalGradient (juce::Graphics& g, const juce::ColourGradient& gradient, juce::Rectangle<float> r, float cornerSize)
{
    // The software renderer works a gradient out pixel by pixel, which made this fill
    // the dearest part of an animation frame. A horizontal gradient is the same on every
    // row, so one row is rendered, copied down, and the shape is cut out of that image.
    const auto software = dynamic_cast<juce::LowLevelGraphicsSoftwareRenderer*> (&g.getInternalContext()) != nullptr;
    const auto scale = juce::jmax (1.0f, g.getInternalContext().getPhysicalPixelScaleFactor());
    const auto width = (int) std::ceil (r.getRight() * scale);
    const auto height = (int) std::ceil (r.getBottom() * scale);

    if (! software || width <= 0 || height <= 0 || r.isEmpty()
        || ! juce::approximatelyEqual (gradient.point1.y, gradient.point2.y))
    {
        g.setGradientFill (gradient);
        g.fillRoundedRectangle (r, cornerSize);
        return;
    }

    if (! gradientRows.isValid() || gradientRows.getWidth() != width || gradientRows.getHeight() != height)
        gradientRows = juce::Image (juce::Image::ARGB, width, height, true, juce::SoftwareImageType());

    gradientRows.clear ({ 0, 0, width, 1 });
    {
        auto scaled = gradient;
        scaled.point1 *= scale;
        scaled.point2 *= scale;
        juce::Graphics rowGraphics (gradientRows);
        rowGraphics.setGradientFill (scaled);
        rowGraphics.fillRect (0, 0, width, 1);
    }
    {
        const juce::Image::BitmapData rows (gradientRows, juce::Image::BitmapData::readWrite);
        for (int y = 1; y < height; ++y)
            std::memcpy (rows.getLinePointer (y), rows.getLinePointer (0), (size_t) (width * rows.pixelStride));
    }

    juce::Path shape;
    shape.addRoundedRectangle (r, cornerSize);

    const juce::Graphics::ScopedSaveState saved (g);
    g.reduceClipRegion (shape);
    g.setColour (juce::Colours::black);
    g.drawImageTransformed (gradientRows, juce::AffineTransform::scale (1.0f / scale));
}

juce::Font HalvixLookAndFeel::getTextButtonFont (juce::TextButton& button, int buttonHeight)
{
    if (isGenerateButton (button))
        return displayFont ((float) juce::jlimit (14, 22, juce::roundToInt (buttonHeight * 0.3)), 1, 0.06f);

    return displayFont ((float) juce::jlimit (11, 16, juce::roundToInt (buttonHeight * 0.42)), 1, 0.012f);
}

void HalvixLookAndFeel::drawToggleButton (juce::Graphics& g, juce::ToggleButton& button, bool highlighted, bool)
{
    const auto w = button.getWidth();
    const auto h = button.getHeight();
    const auto on = button.getToggleState();

    const auto trackWidth = (float) juce::jmin (w, 36);
    const juce::Rectangle<float> track ((trackWidth - 36.0f) / 2.0f, ((float) h - 20.0f) / 2.0f, 36.0f, 20.0f);

    auto trackColour = on ? accent : borderDefault;
    if (highlighted)
        trackColour = trackColour.brighter (0.09f);

    g.setColour (trackColour);
    g.fillRoundedRectangle (track, 10.0f);

    const auto knobX = on ? track.getX() + 36.0f - 14.0f - 3.0f : track.getX() + 3.0f;
    g.setColour (on ? juce::Colours::white : textDisabled);
    g.fillEllipse (knobX, track.getY() + 3.0f, 14.0f, 14.0f);

    g.setColour (textSecondary.withMultipliedAlpha (button.isEnabled() ? 1.0f : 0.5f));
    g.setFont (bodyFont (11.0f, 1, 0.04f));

    const auto textX = (int) trackWidth + juce::jmin (8, w - (int) trackWidth);
    g.drawFittedText (button.getButtonText().toUpperCase(), textX, 0, juce::jmax (w - textX, 0), h, juce::Justification::centredLeft, 1);
}

void HalvixLookAndFeel::fillTextEditorBackground (juce::Graphics& g, int width, int height, juce::TextEditor&)
{
    g.setColour (bgInput);
    g.fillRoundedRectangle (insetBounds (width, height), 8.0f);
}

void HalvixLookAndFeel::drawTextEditorOutline (juce::Graphics& g, int width, int height, juce::TextEditor& editor)
{
    const auto focused = editor.hasKeyboardFocus (true) && ! editor.isReadOnly() && editor.isEnabled();
    g.setColour (focused ? accent : borderDefault);
    g.drawRoundedRectangle (insetBounds (width, height), 8.0f, 1.0f);
}

void HalvixLookAndFeel::drawPopupMenuBackground (juce::Graphics& g, int width, int height)
{
    // The menu window is opaque, so its corners outside the rounded shape are
    // painted too rather than left to whatever the window system shows there.
    g.fillAll (findColour (juce::PopupMenu::backgroundColourId));
    g.setColour (juce::Colour (0xff020204));
    g.fillRoundedRectangle (0.0f, 0.0f, (float) width, (float) height, 6.0f);
    g.setColour (borderDefault);
    g.drawRoundedRectangle (insetBounds (width, height), 6.0f, 1.0f);
}

void HalvixLookAndFeel::drawPopupMenuItem (juce::Graphics& g,
                                           const juce::Rectangle<int>& area,
                                           bool,
                                           bool isActive,
                                           bool isHighlighted,
                                           bool,
                                           bool,
                                           const juce::String& text,
                                           const juce::String&,
                                           const juce::Drawable*,
                                           const juce::Colour*)
{
    auto textColour = isActive ? textPrimary : textDisabled;

    if (isActive && isHighlighted)
    {
        const juce::Rectangle<float> highlight ((float) area.getX() + 4.0f,
                                                (float) area.getY() + 1.0f,
                                                (float) juce::jmax (area.getWidth() - 8, 0),
                                                (float) juce::jmax (area.getHeight() - 2, 0));
        g.setColour (accent.withAlpha ((juce::uint8) 0x2e));
        g.fillRoundedRectangle (highlight, 4.0f);
        textColour = textPrimary;
    }

    g.setColour (textColour);
    g.setFont (bodyFont (13.0f, 0, 0.01f));
    g.drawFittedText (text, area.getX() + 12, area.getY(), juce::jmax (area.getWidth() - 24, 0), juce::jmax (area.getHeight(), 0), juce::Justification::centredLeft, 1);
}

juce::Font HalvixLookAndFeel::getPopupMenuFont()
{
    return bodyFont (13.0f, 0, 0.01f);
}

void HalvixLookAndFeel::drawComboBox (juce::Graphics& g, int width, int height, bool, int buttonX, int, int buttonW, int, juce::ComboBox& box)
{
    const auto r = insetBounds (width, height);
    const auto w = (float) width;
    const auto h = (float) height;

    if (box.getName() == "modelCombo")
    {
        g.setColour (accent.withAlpha ((juce::uint8) 0x0c));
        g.fillRoundedRectangle (r, h / 2.0f);
        g.setColour (accent.withAlpha ((juce::uint8) 0x46));
        g.drawRoundedRectangle (r, h / 2.0f, 1.0f);

        juce::Path diamond;
        diamond.startNewSubPath (14.0f, h / 2.0f - 4.0f);
        diamond.lineTo (18.0f, h / 2.0f);
        diamond.lineTo (14.0f, h / 2.0f + 4.0f);
        diamond.lineTo (10.0f, h / 2.0f);
        diamond.closeSubPath();
        g.setColour (accent);
        g.fillPath (diamond);

        // A bright band sweeps across the engine name.
        const auto p = 0.5f + 0.5f * std::sin (0.8f * phase);
        const auto sweepY = (h - 2.0f) / 2.0f + 1.0f;
        juce::ColourGradient sweep (accent, 24.0f + (w - 48.0f) * (p - 0.3f), sweepY, accent.brighter (0.3f), 24.0f + (w - 48.0f) * (p + 0.3f), sweepY, false);
        sweep.addColour (1.0, accent);
        g.setGradientFill (sweep);
        g.setFont (displayFont (12.0f, 1, 0.08f));
        g.drawText (box.getText(), juce::Rectangle<int> (24, 1, juce::roundToInt (w - 48.0f), juce::roundToInt (h - 2.0f)), juce::Justification::centredLeft, true);

        juce::Path chevron;
        chevron.startNewSubPath (w - 20.0f, h / 2.0f - 3.0f);
        chevron.lineTo (w - 16.0f, h / 2.0f + 3.0f);
        chevron.lineTo (w - 12.0f, h / 2.0f - 3.0f);
        g.setColour (accent.withAlpha ((juce::uint8) 0x99));
        g.strokePath (chevron, juce::PathStrokeType (1.4f, juce::PathStrokeType::curved, juce::PathStrokeType::rounded));
        return;
    }

    const auto disabledFactor = box.isEnabled() ? 1.0f : 0.5f;

    g.setColour (bgInput);
    g.fillRoundedRectangle (r, 8.0f);
    g.setColour ((box.hasKeyboardFocus (false) ? accent : borderDefault).withMultipliedAlpha (disabledFactor));
    g.drawRoundedRectangle (r, 8.0f, 1.0f);

    // The arrow spans the button area less 9 px each side; a button area too narrow
    // for that (the usual 19 px) gets an 8 px chevron centred in it instead of a
    // vertical stroke.
    auto a = (float) juce::jmax (buttonW - 18, 0);
    auto x0 = (float) buttonX + 9.0f;
    if (a < 6.0f)
    {
        a = 8.0f;
        x0 = (float) buttonX + ((float) buttonW - a) / 2.0f;
    }
    juce::Path arrow;
    arrow.startNewSubPath (x0, 10.0f);
    arrow.lineTo (x0 + a / 2.0f, (float) juce::jmax (height - 20, 0) + 10.0f);
    arrow.lineTo (x0 + a, 10.0f);
    g.setColour (textSecondary.withMultipliedAlpha (disabledFactor));
    g.strokePath (arrow, juce::PathStrokeType (1.8f, juce::PathStrokeType::curved, juce::PathStrokeType::rounded));
}

void HalvixLookAndFeel::drawLabel (juce::Graphics& g, juce::Label& label)
{
    // The engine selector's label is kept invisible (its box draws the name with the
    // sweep); laying out and rasterising its text thirty times a second would be wasted.
    const auto invisible = label.findColour (juce::Label::textColourId).isTransparent()
                           && label.findColour (juce::Label::backgroundColourId).isTransparent()
                           && label.findColour (juce::Label::outlineColourId).isTransparent();
    if (invisible && ! label.isBeingEdited())
        return;

    LookAndFeel_V4::drawLabel (g, label);
}

juce::Font HalvixLookAndFeel::getComboBoxFont (juce::ComboBox& box)
{
    if (box.getName() == "modelCombo")
        return displayFont (12.0f, 1, 0.08f);

    return bodyFont (13.0f, 0, 0.01f);
}

void HalvixLookAndFeel::positionComboBoxText (juce::ComboBox& box, juce::Label& label)
{
    const auto w = box.getWidth();
    const auto h = box.getHeight();

    if (box.getName() == "modelCombo")
    {
        label.setBounds (24, 1, w - 48, h - 2);
        label.setFont (getComboBoxFont (box));
        // drawComboBox paints the engine name itself, with its sweep.
        label.setColour (juce::Label::textColourId, juce::Colours::transparentBlack);
        return;
    }

    label.setBounds (11, 1, w - 30, h - 2);
    label.setFont (getComboBoxFont (box));
}

} // namespace halvix

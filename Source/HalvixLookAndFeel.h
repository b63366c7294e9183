#pragma once

#include <juce_gui_basics/juce_gui_basics.h>

namespace halvix
{

//==============================================================================
// The editor's fixed dark palette.
inline const juce::Colour bgMain { 0xff000000 };
inline const juce::Colour bgTopBar { 0xff040406 };
inline const juce::Colour bgCard { 0xff08080b };
inline const juce::Colour bgCardHover { 0xff0e0e12 };
inline const juce::Colour bgCardExpand { 0xff101015 };
inline const juce::Colour bgInput { 0xff060609 };
inline const juce::Colour textPrimary { 0xffe8e8ec };
inline const juce::Colour textSecondary { 0xff7a7a85 };
inline const juce::Colour textDisabled { 0xff282830 };
inline const juce::Colour borderDefault { 0xff16161c };
inline const juce::Colour borderHover { 0xff262632 };

/** The violet the accent starts as; card headers keep it whatever accent is chosen. */
inline const juce::Colour defaultAccent { 0xff8b5cf6 };

//==============================================================================
// Fonts. Every face is asked for by name; when it is not installed the next one in
// line is used (see HalvixLookAndFeel.cpp), so the requested sizes and styles hold
// on every system.

/** A font of the named typeface, "Bold" when bold is non-zero, else "Regular". */
juce::Font makeFont (const juce::String& name, float height, int bold, float kerning);

/** Titles, buttons, card numbers: always bold. */
juce::Font displayFont (float height, int style = 1, float kerning = 0.0f);

/** Captions, fields, menus and card texts. */
juce::Font bodyFont (float height, int bold = 0, float kerning = 0.0f);

/** The chord details of an expanded card. */
juce::Font monoFont (float height = 11.0f, int style = 0);

/** The family the display and body fonts are drawn in on this system. */
juce::String resolvedTextFamily();

/** The family the mono font is drawn in on this system. */
juce::String resolvedMonoFamily();

//==============================================================================
/** Redraws buttons, the RANDOM switch, fields, menus and combo boxes in the palette,
    tinted by one accent colour. The GENERATE button and the engine selector are
    animated by a phase that the editor's timer advances. */
class HalvixLookAndFeel : public juce::LookAndFeel_V4
{
public:
    HalvixLookAndFeel();

    void setPhase (float newPhase) noexcept { phase = newPhase; }
    float getPhase() const noexcept { return phase; }

    /** Sets the accent and rewrites the colour-table entries that depend on it. */
    void setAccent (juce::Colour newAccent);
    juce::Colour getAccent() const noexcept { return accent; }

    void drawButtonBackground (juce::Graphics&, juce::Button&, const juce::Colour& backgroundColour, bool highlighted, bool down) override;
    juce::Font getTextButtonFont (juce::TextButton&, int buttonHeight) override;
    void drawToggleButton (juce::Graphics&, juce::ToggleButton&, bool highlighted, bool down) override;
    void fillTextEditorBackground (juce::Graphics&, int width, int height, juce::TextEditor&) override;
    void drawTextEditorOutline (juce::Graphics&, int width, int height, juce::TextEditor&) override;
    void drawPopupMenuBackground (juce::Graphics&, int width, int height) override;
    void drawPopupMenuItem (juce::Graphics&,
                            const juce::Rectangle<int>& area,
                            bool isSeparator,
                            bool isActive,
                            bool isHighlighted,
                            bool isTicked,
                            bool hasSubMenu,
                            const juce::String& text,
                            const juce::String& shortcutKeyText,
                            const juce::Drawable* icon,
                            const juce::Colour* textColour) override;
    juce::Font getPopupMenuFont() override;
    void drawComboBox (juce::Graphics&, int width, int height, bool isButtonDown, int buttonX, int buttonY, int buttonW, int buttonH, juce::ComboBox&) override;
    juce::Font getComboBoxFont (juce::ComboBox&) override;
    void drawLabel (juce::Graphics&, juce::Label&) override;
    void positionComboBoxText (juce::ComboBox&, juce::Label&) override;

    /** True for the GENERATE button, in any of its texts. */
    static bool isGenerateButton (const juce::Button&);

    /** Fills a rounded rectangle with a gradient, as setGradientFill and
        fillRoundedRectangle would; a horizontal gradient in the software renderer is
        drawn from one rendered row, which is much cheaper per animation frame. */
    void fillHorizontalGradient (juce::Graphics&, const juce::ColourGradient&, juce::Rectangle<float>, float cornerSize);

private:
    float phase = 0.0f;
    juce::Image gradientRows; // reused by every animation frame of the GENERATE button
    juce::Colour accent { defaultAccent };

    JUCE_DECLARE_NON_COPYABLE_WITH_LEAK_DETECTOR (HalvixLookAndFeel)
};

} // namespace halvix

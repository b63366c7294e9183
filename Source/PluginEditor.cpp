#include "PluginEditor.h"

#include <algorithm>

namespace halvix
{

const std::array<juce::Colour, 6> accentPalette {
    juce::Colour (0xff8b5cf6), // violet
    juce::Colour (0xff3b82f6), // blue
    juce::Colour (0xff10b981), // green
    juce::Colour (0xfff43f5e), // rose
    juce::Colour (0xfff59e0b), // amber
    juce::Colour (0xff06b6d4), // cyan
};

namespace
{
    constexpr int kTimerIntervalMs = 33;
    constexpr float kPhaseStep = 0.035f;
    constexpr float kPhaseWrap = 628.3185f; // 200 pi
    constexpr float kRevealStep = 0.15f;
    constexpr int kGrainWidth = 1000;
    constexpr int kGrainHeight = 700;

    void styleCaption (juce::Label& label, const juce::String& text)
    {
        label.setFont (bodyFont (11.0f, 1, 0.04f));
        label.setColour (juce::Label::textColourId, textSecondary);
        label.setJustificationType (juce::Justification::centredLeft);
        label.setText (text, juce::dontSendNotification);
    }
} // namespace

//==============================================================================
AccentDot::AccentDot (juce::Colour dotColour, std::function<void()> clickHandler)
    : colour (dotColour)
    , onClick (std::move (clickHandler))
{
}

void AccentDot::setSelected (bool shouldBeSelected)
{
    selected = shouldBeSelected;
    repaint();
}

void AccentDot::paint (juce::Graphics& g)
{
    const juce::Rectangle<float> dot (1.0f, 1.0f, (float) juce::jmax (getWidth() - 2, 0), (float) juce::jmax (getHeight() - 2, 0));
    g.setColour (hovered ? colour.brighter (0.15f) : colour);
    g.fillEllipse (dot);

    if (selected)
    {
        const juce::Rectangle<float> ring (1.5f, 1.5f, (float) juce::jmax (getWidth() - 3, 0), (float) juce::jmax (getHeight() - 3, 0));
        g.setColour (juce::Colours::white.withAlpha ((juce::uint8) 0xd9));
        g.drawEllipse (ring, 1.5f);
    }
}

void AccentDot::mouseEnter (const juce::MouseEvent&)
{
    hovered = true;
    repaint();
}

void AccentDot::mouseExit (const juce::MouseEvent&)
{
    hovered = false;
    repaint();
}

void AccentDot::mouseDown (const juce::MouseEvent&)
{
    if (onClick)
        onClick();
}

//==============================================================================
HalvixAudioProcessorEditor::HalvixAudioProcessorEditor (HalvixAudioProcessor& owner)
    : AudioProcessorEditor (owner)
    , processor (owner)
{
    setOpaque (true);
    setSize (1000, 700);

    lookAndFeel = std::make_unique<HalvixLookAndFeel>();
    setLookAndFeel (lookAndFeel.get());

    grainImage = createGrainImage();

    for (auto* child : std::initializer_list<juce::Component*> { &titleLabel, &logoImage, &modelCombo, &engineLabel, &keyCombo, &bpmInput, &randomToggle, &keyLabel, &bpmLabel, &metricsLabel, &themeLabel, &bgButton, &generateButton, &statusLabel })
        addAndMakeVisible (child);

    for (auto& card : cards)
    {
        addAndMakeVisible (card);
        card.onCardClicked = [this] (VariationCardComponent* clicked)
        {
            if (clicked != nullptr)
                cardClicked (*clicked);
        };
    }

    const auto logoFile = findLogoFile();
    if (logoFile.existsAsFile())
        logoImage.setImage (juce::ImageFileFormat::loadFrom (logoFile), juce::RectanglePlacement::centred);

    configureControls();

    for (int i = 0; i < (int) accentPalette.size(); ++i)
    {
        const auto c = accentPalette[(size_t) i];
        auto* dot = accentDots.add (new AccentDot (c, [this, i, c]
                                                   { accentClicked (i, c); }));
        addAndMakeVisible (dot);
    }

    auto accentIndex = processor.themeAccentIndex;
    if (accentIndex < 0 || accentIndex >= (int) accentPalette.size())
        accentIndex = 0;

    accentDots[accentIndex]->setSelected (true);
    applyAccentColour (accentPalette[(size_t) accentIndex]);

    bgButton.onClick = [this]
    { loadBackgroundImage(); };

    const juce::File savedBackground (processor.themeBgImage.isNotEmpty() && juce::File::isAbsolutePath (processor.themeBgImage)
                                          ? juce::File (processor.themeBgImage)
                                          : juce::File());
    if (savedBackground.existsAsFile())
        setBackgroundImage (juce::ImageFileFormat::loadFrom (savedBackground));

    refreshMetrics();
    renderVariations ({});

    // The size was set before the dots existed.
    resized();

    startTimer (kTimerIntervalMs);
}

HalvixAudioProcessorEditor::~HalvixAudioProcessorEditor()
{
    stopTimer();
    setLookAndFeel (nullptr);
    lookAndFeel.reset();
}

void HalvixAudioProcessorEditor::configureControls()
{
    titleLabel.setFont (displayFont (20.0f, 1, 0.06f));
    titleLabel.setColour (juce::Label::textColourId, textPrimary);
    titleLabel.setJustificationType (juce::Justification::centredLeft);
    titleLabel.setText ("halvix", juce::dontSendNotification);

    styleCaption (engineLabel, "ENGINE");

    {
        const auto catalog = processor.getEngineCatalog();
        juce::String active;
        {
            const juce::ScopedLock lock (processor.stateLock);
            active = processor.activeEngineModel;
        }

        int itemId = 1;
        for (const auto& entry : catalog)
        {
            modelCombo.addItem (entry.displayName.toUpperCase(), itemId);
            if (entry.id.equalsIgnoreCase (active))
                modelCombo.setSelectedId (itemId, juce::dontSendNotification);
            ++itemId;
        }
    }
    modelCombo.onChange = [this]
    { engineChanged(); };

    styleCaption (keyLabel, "KEY");
    styleCaption (bpmLabel, "BPM");

    static const char* const roots[] = { "C", "C#", "D", "Eb", "E", "F", "F#", "G", "Ab", "A", "Bb", "B" };
    for (int r = 0; r < 12; ++r)
    {
        keyCombo.addItem (juce::String (roots[r]) + " major", 2 * r + 1);
        keyCombo.addItem (juce::String (roots[r]) + " minor", 2 * r + 2);
    }
    keyCombo.setText ("C# minor", juce::dontSendNotification);

    // The font is set before the text so that the first value and later ones look alike.
    bpmInput.setInputRestrictions (3, "0123456789");
    bpmInput.setFont (bodyFont (13.0f, 0, 0.0f));
    bpmInput.setText ("148", false);
    bpmInput.setJustification (juce::Justification::centredLeft);

    randomToggle.setButtonText ("RANDOM");
    randomToggle.setColour (juce::ToggleButton::textColourId, textSecondary);
    randomToggle.setToggleState (true, juce::dontSendNotification);
    randomToggle.onClick = [this]
    { keyCombo.setEnabled (! randomToggle.getToggleState()); };
    keyCombo.setEnabled (false);

    generateButton.setButtonText ("GENERATE TOP 3");
    generateButton.onClick = [this]
    { generateClicked(); };

    metricsLabel.setFont (bodyFont (11.0f, 0, 0.0f));
    metricsLabel.setColour (juce::Label::textColourId, textSecondary);
    metricsLabel.setJustificationType (juce::Justification::centredRight);

    statusLabel.setFont (bodyFont (12.0f, 0, 0.0f));
    statusLabel.setColour (juce::Label::textColourId, textSecondary);
    statusLabel.setJustificationType (juce::Justification::centred);
    statusLabel.setText ("Ready", juce::dontSendNotification);

    styleCaption (themeLabel, "THEME");
}

//==============================================================================
void HalvixAudioProcessorEditor::resized()
{
    const auto w = getWidth();
    const auto h = getHeight();
    const auto right = juce::jmax (w - 48, 0);

    topBarArea = { 0, 0, w, 60 };
    backdrop = {};
    logoImage.setBounds (24, 18, 24, 24);
    titleLabel.setBounds (58, 15, 160, 30);
    engineLabel.setBounds (238, 10, 130, 14);
    modelCombo.setBounds (238, 26, 130, 28);
    themeLabel.setBounds (388, 10, 60, 14);

    for (int i = 0; i < accentDots.size(); ++i)
        accentDots[i]->setBounds (388 + 20 * i, 28, 14, 14);

    const auto bgX = accentDots.isEmpty() ? 392 : accentDots.getLast()->getX() + 24;
    bgButton.setBounds (bgX, 16, 28, 28);

    randomToggle.setBounds (right - 76, 20, 100, 20);
    bpmLabel.setBounds (right - 168, 10, 80, 14);
    bpmInput.setBounds (right - 168, 26, 80, 28);
    keyLabel.setBounds (right - 300, 10, 120, 14);
    keyCombo.setBounds (right - 300, 26, 120, 28);
    metricsLabel.setBounds (w - 174, 4, 150, 14);

    heroArea = { 0, topBarArea.getBottom() + 1, w, 130 };
    generateButton.setBounds (w / 2 - 160, topBarArea.getBottom() + 34, 320, 52);
    statusLabel.setBounds (w / 2 - 200, generateButton.getBottom() + 10, 400, 18);

    const auto cardsY = heroArea.getBottom() + 16;
    cardsArea = { 24, cardsY, right, h - cardsY - 16 };

    const auto cardWidth = (w - 80) / 3;
    for (int k = 0; k < 3; ++k)
        cards[(size_t) k].setBounds (24 + k * (cardWidth + 16), cardsArea.getY(), cardWidth, cardsArea.getHeight());
}

void HalvixAudioProcessorEditor::paint (juce::Graphics& g)
{
    // The backdrop only changes with the picture or the size, while the timer
    // repaints parts of the window thirty times a second: it is composed once into
    // an opaque image, so a repaint copies pixels instead of blending the grain.
    // Composed at the display's pixel density, so nothing is blurred on a HiDPI screen.
    const auto scale = juce::jmax (1.0f, g.getInternalContext().getPhysicalPixelScaleFactor());
    const auto pixelWidth = juce::jmax (1, juce::roundToInt ((float) getWidth() * scale));
    const auto pixelHeight = juce::jmax (1, juce::roundToInt ((float) getHeight() * scale));

    if (! backdrop.isValid() || backdrop.getWidth() != pixelWidth || backdrop.getHeight() != pixelHeight)
    {
        backdrop = juce::Image (juce::Image::RGB, pixelWidth, pixelHeight, false);
        juce::Graphics bg (backdrop);
        bg.addTransform (juce::AffineTransform::scale (scale));
        paintBackdrop (bg);
    }

    // The enabled GENERATE button is opaque inside its rounded ends, so the backdrop
    // under it would only be painted over again on every animation frame.
    if (generateButton.isVisible() && generateButton.isEnabled() && lookAndFeel != nullptr && lookAndFeel->getAccent().isOpaque())
        g.excludeClipRegion (generateButton.getBounds().reduced (13, 1));

    // Only the part inside the clip is handed on: the renderer sizes its work to the
    // image it is given, and the window's buffer stays as large as the whole window, so
    // drawing the whole backdrop made every small animation frame cost a full-window pass.
    const auto clip = g.getClipBounds().getIntersection (getLocalBounds());
    if (clip.isEmpty())
        return;

    // At one pixel per point this is a plain blit of the clipped area; on a denser
    // display it is the matching physical area, still drawn at a whole-pixel offset.
    const auto sx = (float) pixelWidth / (float) getWidth();
    const auto sy = (float) pixelHeight / (float) getHeight();
    const auto source = clip.toFloat()
                            .transformedBy (juce::AffineTransform::scale (sx, sy))
                            .getSmallestIntegerContainer()
                            .expanded (1)
                            .getIntersection (backdrop.getBounds());
    g.drawImageTransformed (backdrop.getClippedImage (source),
                            juce::AffineTransform::translation ((float) source.getX(), (float) source.getY()).scaled (1.0f / sx, 1.0f / sy));
}

void HalvixAudioProcessorEditor::paintBackdrop (juce::Graphics& g) const
{
    g.fillAll (bgMain);

    if (backgroundImage.isValid())
    {
        const auto w = (float) getWidth();
        const auto h = (float) getHeight();
        const auto iw = (float) backgroundImage.getWidth();
        const auto ih = (float) backgroundImage.getHeight();

        g.setOpacity (0.25f);
        if (iw >= 1.0f && ih >= 1.0f)
        {
            // Cover the window, cropping the overflowing sides evenly.
            const auto s = std::max (w / iw, h / ih);
            g.drawImageTransformed (backgroundImage, juce::AffineTransform::scale (s).translated ((w - iw * s) / 2.0f, (h - ih * s) / 2.0f));
        }
        else
        {
            g.drawImageTransformed (backgroundImage, {});
        }
        g.setOpacity (1.0f);
        g.fillAll (juce::Colour (0xb4000000));
    }

    g.setColour (bgTopBar);
    g.fillRect (topBarArea);
    g.setColour (borderDefault);
    g.fillRect (0, topBarArea.getBottom(), getWidth(), 1);

    g.drawImageAt (grainImage, 0, 0);
}

void HalvixAudioProcessorEditor::timerCallback()
{
    animationPhase += kPhaseStep;
    if (animationPhase >= kPhaseWrap)
        animationPhase -= kPhaseWrap;

    if (lookAndFeel != nullptr)
        lookAndFeel->setPhase (animationPhase);

    modelCombo.repaint();

    if (revealActive)
        advanceReveal();

    repaint (generateButton.getBounds().expanded (34, 24).getIntersection (getLocalBounds()));

    if (revealActive)
        repaint();
}

//==============================================================================
void HalvixAudioProcessorEditor::engineChanged()
{
    const auto catalog = processor.getEngineCatalog();

    auto index = modelCombo.indexOfItemId (modelCombo.getSelectedId());
    if (index >= 0 && modelCombo.getText() != modelCombo.getItemText (index))
        index = -1;

    if (index < 0 || index >= (int) catalog.size())
        return;

    const auto& entry = catalog[(size_t) index];
    const auto id = entry.id.trim();

    if (normalizeEngineId (id).isNotEmpty())
    {
        const juce::ScopedLock lock (processor.stateLock);
        processor.activeEngineModel = id;
        processor.saveState();
    }

    statusLabel.setText (entry.displayName + " engine selected", juce::dontSendNotification);
}

void HalvixAudioProcessorEditor::cardClicked (VariationCardComponent& card)
{
    if (! card.showsVariation())
        return;

    const auto wasExpanded = card.isExpanded();
    for (auto& c : cards)
        c.setExpanded (false);

    if (wasExpanded)
    {
        layOutCards (-1);
        return;
    }

    card.setExpanded (true);
    layOutCards ((int) (&card - cards.data()));
}

void HalvixAudioProcessorEditor::layOutCards (int expandedIndex)
{
    const auto total = cardsArea.getWidth() - 32;
    auto x = cardsArea.getX();

    for (int k = 0; k < 3; ++k)
    {
        const auto width = expandedIndex < 0 ? total / 3 : (k == expandedIndex ? total / 2 : total / 4);
        cards[(size_t) k].setBounds (x, cardsArea.getY(), width, cardsArea.getHeight());
        x += width + 16;
    }
}

//==============================================================================
int HalvixAudioProcessorEditor::readTempo() const
{
    // Leading digits only, like atoi: an empty field reads 0 and is clamped.
    return juce::jlimit (50, 220, bpmInput.getText().getIntValue());
}

void HalvixAudioProcessorEditor::generateClicked()
{
    bpmInput.setText (juce::String (readTempo()), false);

    generateButton.setEnabled (false);
    generateButton.setButtonText ("GENERATING...");
    statusLabel.setText ({}, juce::dontSendNotification);

    // The run blocks the message thread, so show the pending state before it starts.
    if (auto* peer = getPeer())
        peer->performAnyPendingRepaintsNow();

    juce::MessageManager::callAsync ([safeThis = juce::Component::SafePointer<HalvixAudioProcessorEditor> (this)]
                                     {
                                         if (auto* editor = safeThis.getComponent())
                                             editor->runPostedGeneration(); });
}

void HalvixAudioProcessorEditor::runPostedGeneration()
{
    const auto bpm = readTempo();
    const auto key = keyCombo.getText();
    const auto randomKey = randomToggle.getToggleState();
    juce::String error;

    const auto ok = processor.generateTop3 (key, randomKey, bpm, "Emotional", error);

    generateButton.setEnabled (true);
    generateButton.setButtonText ("GENERATE TOP 3");

    if (! ok)
    {
        statusLabel.setText ("Generation failed", juce::dontSendNotification);
        juce::AlertWindow::showMessageBoxAsync (juce::MessageBoxIconType::WarningIcon,
                                                "halvix",
                                                error.isNotEmpty() ? error : juce::String ("Unknown generation error."));
        return;
    }

    juce::String status;
    {
        const juce::ScopedLock lock (processor.stateLock);
        status = processor.lastStatus;
    }
    statusLabel.setText (status, juce::dontSendNotification);

    refreshMetrics();

    std::vector<VariationData> variations;
    {
        const juce::ScopedLock lock (processor.stateLock);
        variations = processor.lastVariations;
    }
    renderVariations (variations);
}

void HalvixAudioProcessorEditor::renderVariations (const std::vector<VariationData>& variations)
{
    for (size_t k = 0; k < cards.size(); ++k)
    {
        if (variations.size() > k)
            cards[k].setVariation (variations[k]);
        else
            cards[k].setPlaceholder ((int) k + 1);
    }

    if (variations.empty())
        return;

    for (size_t k = 0; k < cards.size(); ++k)
    {
        revealProgress[k] = 0.0f;
        cards[k].setRevealAlpha (0.0f);
        cards[k].repaint();
    }

    revealTick = 0;
    revealActive = true;
}

void HalvixAudioProcessorEditor::advanceReveal()
{
    // The cards fade in one after another: card 2 three ticks, card 3 six ticks late.
    const auto step = [this] (size_t k)
    {
        revealProgress[k] = std::min (revealProgress[k] + kRevealStep, 1.0f);
        cards[k].setRevealAlpha (revealProgress[k]);
        cards[k].repaint();
    };

    step (0);
    if (revealTick > 2)
        step (1);
    if (revealTick >= 6)
        step (2);

    ++revealTick;

    if (std::all_of (revealProgress.begin(), revealProgress.end(), [] (float p)
                     { return p >= 1.0f; }))
        revealActive = false;
}

void HalvixAudioProcessorEditor::refreshMetrics()
{
    int total = 0;
    {
        const juce::ScopedLock lock (processor.stateLock);
        total = processor.totalGenerations;
    }
    metricsLabel.setText (juce::String (total) + " generations", juce::dontSendNotification);
}

//==============================================================================
void HalvixAudioProcessorEditor::setBackgroundImage (const juce::Image& image)
{
    backgroundImage = image;
    backdrop = {};
    repaint();
}

void HalvixAudioProcessorEditor::applyAccentColour (juce::Colour c)
{
    if (auto* laf = dynamic_cast<HalvixLookAndFeel*> (&getLookAndFeel()))
        laf->setAccent (c);

    repaint();
}

void HalvixAudioProcessorEditor::accentClicked (int index, juce::Colour c)
{
    for (auto* dot : accentDots)
        dot->setSelected (false);
    accentDots[index]->setSelected (true);

    applyAccentColour (c);

    processor.themeAccentIndex = index;
    processor.saveState();
}

void HalvixAudioProcessorEditor::loadBackgroundImage()
{
    auto chooser = std::make_shared<juce::FileChooser> ("Choose background image", juce::File(), "*.png;*.jpg;*.jpeg");
    const auto flags = juce::FileBrowserComponent::openMode | juce::FileBrowserComponent::canSelectFiles;

    // The chooser outlives this call through the callback; the editor may not.
    chooser->launchAsync (flags, [safeThis = juce::Component::SafePointer<HalvixAudioProcessorEditor> (this), chooser] (const juce::FileChooser& fc)
                          { backgroundChosen (safeThis, fc.getResult()); });
}

void HalvixAudioProcessorEditor::backgroundChosen (juce::Component::SafePointer<HalvixAudioProcessorEditor> safeEditor, const juce::File& file)
{
    // A cancelled dialog gives an empty path.
    if (file.getFullPathName().isEmpty() || ! file.existsAsFile())
        return;

    auto* editor = safeEditor.getComponent();
    if (editor == nullptr)
        return;

    editor->setBackgroundImage (juce::ImageFileFormat::loadFrom (file));
    editor->processor.themeBgImage = file.getFullPathName();
    editor->processor.saveState();
    editor->repaint();
}

juce::Image HalvixAudioProcessorEditor::createGrainImage()
{
    juce::Image image (juce::Image::ARGB, kGrainWidth, kGrainHeight, true);
    juce::Random random (42);

    juce::Image::BitmapData pixels (image, juce::Image::BitmapData::writeOnly);
    for (int y = 0; y < kGrainHeight; ++y)
    {
        for (int x = 0; x < kGrainWidth; ++x)
        {
            const auto grey = (juce::uint8) random.nextInt (256);
            const auto alpha = (juce::uint8) random.nextInt (46);
            pixels.setPixelColour (x, y, juce::Colour (grey, grey, grey, alpha));
        }
    }

    return image;
}

juce::File HalvixAudioProcessorEditor::findLogoFile()
{
    juce::Array<juce::File> candidates;

    // The project directory: two levels above this source file, as the build saw it.
    const juce::String thisSource (__FILE__);
    if (juce::File::isAbsolutePath (thisSource))
        candidates.add (juce::File (thisSource).getParentDirectory().getParentDirectory().getChildFile ("assets/cat.png"));

#ifdef HALVIX_SOURCE_DIR
    candidates.add (juce::File (HALVIX_SOURCE_DIR).getChildFile ("assets/cat.png"));
#endif
#ifdef HALVIX_ASSETS_INSTALL_DIR
    candidates.add (juce::File (HALVIX_ASSETS_INSTALL_DIR).getChildFile ("cat.png"));
#endif

    // A relocated install: beside the executable, or in its prefix's share folder.
    const auto exeDir = juce::File::getSpecialLocation (juce::File::currentExecutableFile).getParentDirectory();
    candidates.add (exeDir.getChildFile ("assets/cat.png"));
    candidates.add (exeDir.getChildFile ("../share/halvix/assets/cat.png"));

    for (const auto& candidate : candidates)
        if (candidate.existsAsFile())
            return candidate;

    return {};
}

} // namespace halvix

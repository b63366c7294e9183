#include <gtest/gtest.h>

#include "PluginEditor.h"
#include "PluginProcessor.h"
#include "ProcessorTestSupport.h"

#include <algorithm>
#include <cmath>
#include <dlfcn.h>
#include <memory>

// The message loop's single step. The plug-in is built without modal loops, so
// MessageManager::runDispatchLoopUntil is not available; this is what it calls.
namespace juce::detail
{
bool dispatchNextMessageOnSystemQueue (bool returnIfNoPendingMessages);
} // namespace juce::detail

namespace halvix
{

namespace
{
    /** Delivers posted messages and timer callbacks for the given time. */
    void pumpMessages (int milliseconds)
    {
        const auto end = juce::Time::getMillisecondCounter() + (juce::uint32) milliseconds;
        while (juce::Time::getMillisecondCounter() < end)
            if (! juce::detail::dispatchNextMessageOnSystemQueue (true))
                juce::Thread::sleep (1);
    }
} // namespace

/** Reaches into the editor the way its own handlers do. */
struct EditorTestProbe
{
    using Editor = HalvixAudioProcessorEditor;

    static juce::Label& title (Editor& e) { return e.titleLabel; }
    static juce::ImageComponent& logo (Editor& e) { return e.logoImage; }
    static juce::ComboBox& model (Editor& e) { return e.modelCombo; }
    static juce::ComboBox& key (Editor& e) { return e.keyCombo; }
    static juce::TextEditor& bpm (Editor& e) { return e.bpmInput; }
    static juce::ToggleButton& random (Editor& e) { return e.randomToggle; }
    static juce::TextButton& bg (Editor& e) { return e.bgButton; }
    static juce::TextButton& generate (Editor& e) { return e.generateButton; }
    static juce::Label& status (Editor& e) { return e.statusLabel; }
    static juce::Label& metrics (Editor& e) { return e.metricsLabel; }
    static juce::OwnedArray<AccentDot>& dots (Editor& e) { return e.accentDots; }
    static VariationCardComponent& card (Editor& e, int k) { return e.cards[(size_t) k]; }
    static HalvixLookAndFeel& laf (Editor& e) { return *e.lookAndFeel; }
    static const juce::Image& background (Editor& e) { return e.backgroundImage; }
    static void setBackground (Editor& e, const juce::Image& image) { e.setBackgroundImage (image); }
    static juce::Image& grain (Editor& e) { return e.grainImage; }
    static float& phase (Editor& e) { return e.animationPhase; }
    static bool revealActive (Editor& e) { return e.revealActive; }
    static float reveal (Editor& e, int k) { return e.revealProgress[(size_t) k]; }

    static void tick (Editor& e) { e.timerCallback(); }
    static void clickGenerate (Editor& e) { e.generateClicked(); }
    static void render (Editor& e, const std::vector<VariationData>& v) { e.renderVariations (v); }
    static void chooseBackground (juce::Component::SafePointer<Editor> e, const juce::File& f) { Editor::backgroundChosen (e, f); }
};

namespace
{
    using Probe = EditorTestProbe;

    /** A processor and its editor, with the export folder in a temporary home. */
    struct EditorFixture : public ::testing::Test
    {
        test::ScopedTemporaryHome home;
        std::unique_ptr<HalvixAudioProcessor> processor;
        std::unique_ptr<HalvixAudioProcessorEditor> editor;

        void SetUp() override
        {
            processor = std::make_unique<HalvixAudioProcessor>();
        }

        void TearDown() override
        {
            dismissAlerts();
            editor.reset();
            processor.reset();
        }

        HalvixAudioProcessorEditor& open()
        {
            editor = std::make_unique<HalvixAudioProcessorEditor> (*processor);
            return *editor;
        }

        juce::var readState() const
        {
            return juce::JSON::parse (home.stateFile().loadFileAsString());
        }

        // Runs the message loop until the posted run has finished.
        void finishPostedRun()
        {
            auto& button = Probe::generate (*editor);
            for (int i = 0; i < 200 && ! button.isEnabled(); ++i)
                pumpMessages (20);
        }

        static void dismissAlerts()
        {
            auto* modal = juce::ModalComponentManager::getInstance();
            while (auto* top = modal->getModalComponent (0))
                top->exitModalState (0);
            pumpMessages (20);
        }
    };

    VariationData makeVariation (int rank, const juce::String& name, const juce::File& midi = {})
    {
        VariationData v;
        v.rank = rank;
        v.templateName = name;
        v.midiFile = midi;

        ChordData first;
        first.chordName = "C#min7";
        first.midiNotes = juce::StringArray ("C#3", "E3", "G#3", "B3");
        first.durationBeats = 4.0;
        first.velocityMin = 68;
        first.velocityMax = 90;

        ChordData second;
        second.chordName = "Cmaj";
        second.midiNotes = juce::StringArray ("C4");
        second.durationBeats = 2.0;
        second.velocityMin = 70;
        second.velocityMax = 92;

        v.chords = { first, second };
        return v;
    }

    bool hasDisplay()
    {
        return juce::Desktop::getInstance().getDisplays().getPrimaryDisplay() != nullptr;
    }

    /** JUCE installs its X error handler only inside a stand-alone app, and a host
        brings its own; this test process has neither, so Xlib's default handler would
        end it on the first harmless error (a window-manager atom that a bare X server
        lacks). Installs a handler that ignores errors, as JUCE's does. */
    void ignoreXErrors()
    {
        using Handler = int (*) (void*, void*);
        using SetHandler = Handler (*) (Handler);
        if (auto* x11 = dlopen ("libX11.so.6", RTLD_NOW | RTLD_NOLOAD))
            if (auto set = reinterpret_cast<SetHandler> (dlsym (x11, "XSetErrorHandler")))
                set ([] (void*, void*)
                     { return 0; });
    }

    juce::Colour pixelOf (const juce::Image& image, int x, int y)
    {
        return image.getPixelAt (x, y);
    }

    juce::MouseEvent mouseAt (juce::Component& c, juce::Point<float> down, juce::Point<float> now)
    {
        const auto time = juce::Time::getCurrentTime();
        return juce::MouseEvent (juce::Desktop::getInstance().getMainMouseSource(), now, {}, 0.0f, 0.0f, 0.0f, 0.0f, 0.0f, &c, &c, time, down, time, 1, down != now);
    }
} // namespace

//==============================================================================
TEST_F (EditorFixture, LaysOutTheWindowAtItsFixedSize)
{
    auto& e = open();
    EXPECT_EQ (e.getWidth(), 1000);
    EXPECT_EQ (e.getHeight(), 700);
    EXPECT_TRUE (e.isOpaque());

    EXPECT_EQ (Probe::logo (e).getBounds(), juce::Rectangle<int> (24, 18, 24, 24));
    EXPECT_EQ (Probe::title (e).getBounds(), juce::Rectangle<int> (58, 15, 160, 30));
    EXPECT_EQ (Probe::model (e).getBounds(), juce::Rectangle<int> (238, 26, 130, 28));

    ASSERT_EQ (Probe::dots (e).size(), 6);
    for (int i = 0; i < 6; ++i)
        EXPECT_EQ (Probe::dots (e)[i]->getBounds(), juce::Rectangle<int> (388 + 20 * i, 28, 14, 14)) << "dot " << i;

    EXPECT_EQ (Probe::bg (e).getBounds(), juce::Rectangle<int> (512, 16, 28, 28));
    EXPECT_EQ (Probe::key (e).getBounds(), juce::Rectangle<int> (652, 26, 120, 28));
    EXPECT_EQ (Probe::bpm (e).getBounds(), juce::Rectangle<int> (784, 26, 80, 28));
    EXPECT_EQ (Probe::random (e).getBounds(), juce::Rectangle<int> (876, 20, 100, 20));
    EXPECT_EQ (Probe::metrics (e).getBounds(), juce::Rectangle<int> (826, 4, 150, 14));
    EXPECT_EQ (Probe::generate (e).getBounds(), juce::Rectangle<int> (340, 94, 320, 52));
    EXPECT_EQ (Probe::status (e).getBounds(), juce::Rectangle<int> (300, 156, 400, 18));

    const int xs[] = { 24, 346, 668 };
    for (int k = 0; k < 3; ++k)
        EXPECT_EQ (Probe::card (e, k).getBounds(), juce::Rectangle<int> (xs[k], 207, 306, 477)) << "card " << k;
}

TEST_F (EditorFixture, StartsWithItsControlsInTheirInitialState)
{
    auto& e = open();

    EXPECT_EQ (Probe::title (e).getText(), "halvix");
    EXPECT_TRUE (Probe::logo (e).getImage().isValid()) << "assets/cat.png was not found";
    EXPECT_TRUE (HalvixAudioProcessorEditor::findLogoFile().existsAsFile());

    auto& model = Probe::model (e);
    ASSERT_EQ (model.getNumItems(), 4);
    const char* engines[] = { "ZENTRI", "ORVELL", "BRISKO", "TANDU" };
    for (int i = 0; i < 4; ++i)
    {
        EXPECT_EQ (model.getItemText (i), engines[i]);
        EXPECT_EQ (model.getItemId (i), i + 1);
    }
    EXPECT_EQ (model.getSelectedId(), 3) << "the default engine is Brisko";

    auto& key = Probe::key (e);
    ASSERT_EQ (key.getNumItems(), 24);
    EXPECT_EQ (key.getItemText (0), "C major");
    EXPECT_EQ (key.getItemText (5), "D minor");
    EXPECT_EQ (key.getItemText (23), "B minor");
    EXPECT_EQ (key.getSelectedId(), 4);
    EXPECT_EQ (key.getText(), "C# minor");
    EXPECT_FALSE (key.isEnabled()) << "RANDOM starts on";

    EXPECT_EQ (Probe::bpm (e).getText(), "148");
    EXPECT_TRUE (Probe::random (e).getToggleState());
    EXPECT_EQ (Probe::generate (e).getButtonText(), "GENERATE TOP 3");
    EXPECT_EQ (Probe::status (e).getText(), "Ready");
    EXPECT_EQ (Probe::metrics (e).getText(), "0 generations");

    for (int k = 0; k < 3; ++k)
    {
        EXPECT_FALSE (Probe::card (e, k).showsVariation());
        EXPECT_EQ (Probe::card (e, k).getPlaceholderIndex(), k + 1);
    }
}

TEST_F (EditorFixture, SelectsTheSavedEngineIgnoringCase)
{
    {
        const juce::ScopedLock lock (processor->stateLock);
        processor->activeEngineModel = "tandu";
    }
    EXPECT_EQ (Probe::model (open()).getSelectedId(), 4);
}

TEST_F (EditorFixture, RandomSwitchDisablesTheKeySelector)
{
    auto& e = open();
    auto& random = Probe::random (e);

    random.triggerClick();
    pumpMessages (30);
    EXPECT_FALSE (random.getToggleState());
    EXPECT_TRUE (Probe::key (e).isEnabled());

    random.triggerClick();
    pumpMessages (30);
    EXPECT_FALSE (Probe::key (e).isEnabled());
}

TEST_F (EditorFixture, ChoosingAnEngineSavesItAndSaysSo)
{
    auto& e = open();
    Probe::model (e).setSelectedId (1, juce::sendNotificationSync);

    {
        const juce::ScopedLock lock (processor->stateLock);
        EXPECT_EQ (processor->activeEngineModel, "Zentri");
    }
    EXPECT_EQ (readState()["active_engine_model"].toString(), "Zentri");
    EXPECT_EQ (Probe::status (e).getText(), "Zentri engine selected");
}

//==============================================================================
TEST (VariationCard, ShowsAVariationAndLaysItOutAtOnce)
{
    VariationCardComponent card;
    card.setBounds (0, 0, 306, 477);

    EXPECT_FALSE (card.showsVariation());
    EXPECT_EQ (card.getHeaderLabel().getText(), "");
    EXPECT_EQ (card.getNameLabel().getText(), "");

    card.setVariation (makeVariation (2, "Cloud Window", juce::File ("/tmp/x.mid")));

    EXPECT_TRUE (card.showsVariation());
    EXPECT_EQ (card.getHeaderLabel().getText(), "#2");
    EXPECT_EQ (card.getHeaderLabel().findColour (juce::Label::textColourId), juce::Colour (0xff8b5cf6));
    EXPECT_EQ (card.getNameLabel().getText(), "Cloud Window");
    EXPECT_EQ (card.getHintLabel().getText(), "drag midi");
    EXPECT_EQ (card.getMidiPath(), "/tmp/x.mid");
    EXPECT_EQ (card.getDetailsLabel().getText(),
               "1. C#min7 | [C#3, E3, G#3, B3] | 4.00 beats | velocity 68-90\n"
               "2. Cmaj | [C4] | 2.00 beats | velocity 70-92");
    EXPECT_FALSE (card.getDetailsLabel().isVisible());

    EXPECT_EQ (card.getHeaderLabel().getBounds(), juce::Rectangle<int> (16, 14, 274, 20));
    EXPECT_EQ (card.getNameLabel().getBounds(), juce::Rectangle<int> (16, 38, 274, 22));
    EXPECT_EQ (card.getHintLabel().getBounds(), juce::Rectangle<int> (16, 445, 274, 18));

    card.setBounds (0, 0, 460, 477);
    card.setExpanded (true);
    EXPECT_TRUE (card.getDetailsLabel().isVisible());
    EXPECT_EQ (card.getHeaderLabel().getBounds(), juce::Rectangle<int> (16, 14, 428, 20));
    EXPECT_EQ (card.getNameLabel().getBounds(), juce::Rectangle<int> (16, 38, 428, 22));
    EXPECT_EQ (card.getDetailsLabel().getBounds(), juce::Rectangle<int> (16, 68, 428, 391));
    EXPECT_TRUE (card.getHintLabel().getBounds().isEmpty());

    card.setPlaceholder (3);
    EXPECT_FALSE (card.showsVariation());
    EXPECT_FALSE (card.isExpanded());
    EXPECT_EQ (card.getPlaceholderIndex(), 3);
    EXPECT_EQ (card.getMidiPath(), "");
    EXPECT_EQ (card.getDetailsLabel().getText(), "");
    EXPECT_FALSE (card.getDetailsLabel().isVisible());
}

TEST (VariationCard, EmptyChordListGivesEmptyDetails)
{
    EXPECT_EQ (VariationCardComponent::describeChords ({}), "");
}

TEST (VariationCard, PlaceholderPaintsOnlyItsBorderAndNumber)
{
    VariationCardComponent card;
    card.setBounds (0, 0, 306, 477);
    card.setPlaceholder (2);

    juce::Image image (juce::Image::ARGB, 306, 477, true);
    {
        juce::Graphics g (image);
        card.paintEntireComponent (g, false);
    }

    EXPECT_EQ (pixelOf (image, 40, 100).getAlpha(), 0) << "a placeholder has no fill";
    EXPECT_GT (pixelOf (image, 0, 240).getAlpha(), 0) << "border";

    // The number, in textDisabled, somewhere around the centre.
    bool numberDrawn = false;
    for (int y = 220; y < 260 && ! numberDrawn; ++y)
        for (int x = 140; x < 166 && ! numberDrawn; ++x)
            numberDrawn = pixelOf (image, x, y).getAlpha() > 200;
    EXPECT_TRUE (numberDrawn);
}

TEST (VariationCard, RevealAlphaFadesWhatTheCardPaints)
{
    VariationCardComponent card;
    card.setBounds (0, 0, 200, 200);
    card.setVariation (makeVariation (1, "A"));

    const auto alphaAt = [&card] (float reveal)
    {
        card.setRevealAlpha (reveal);
        juce::Image image (juce::Image::ARGB, 200, 200, true);
        juce::Graphics g (image);
        card.paint (g);
        return (int) image.getPixelAt (100, 100).getAlpha();
    };

    EXPECT_EQ (alphaAt (1.0f), 255);
    EXPECT_EQ (alphaAt (0.0f), 0);
    EXPECT_NEAR (alphaAt (0.45f), 115, 2);
}

namespace
{
    struct DragRecordingCard : public VariationCardComponent
    {
        juce::StringArray drags;
        void beginFileDrag (const juce::String& path) override { drags.add (path); }
    };
} // namespace

TEST (VariationCard, StartsOneFileDragPastFivePixels)
{
    test::ScopedTemporaryHome home;
    const auto midi = home.dir().getChildFile ("rank_1.mid");
    ASSERT_TRUE (midi.replaceWithText ("MThd"));

    DragRecordingCard card;
    card.setBounds (0, 0, 306, 477);
    int clicks = 0;
    card.onCardClicked = [&clicks] (VariationCardComponent*)
    { ++clicks; };

    const juce::Point<float> down (100.0f, 100.0f);

    // Placeholders report the press but never drag.
    card.mouseDown (mouseAt (card, down, down));
    card.mouseDrag (mouseAt (card, down, { 150.0f, 100.0f }));
    EXPECT_EQ (clicks, 1);
    EXPECT_TRUE (card.drags.isEmpty());

    card.setVariation (makeVariation (1, "A", midi));
    card.mouseDown (mouseAt (card, down, down));
    EXPECT_EQ (clicks, 2) << "the click is reported before any drag";

    card.mouseDrag (mouseAt (card, down, { 103.0f, 104.0f })); // exactly 5 px
    EXPECT_TRUE (card.drags.isEmpty());
    card.mouseDrag (mouseAt (card, down, { 106.0f, 100.0f }));
    ASSERT_EQ (card.drags.size(), 1);
    EXPECT_EQ (card.drags[0], midi.getFullPathName());
    card.mouseDrag (mouseAt (card, down, { 140.0f, 100.0f }));
    EXPECT_EQ (card.drags.size(), 1) << "one drag per press";

    // A file that has gone, or a folder, is not dragged.
    midi.deleteFile();
    card.mouseDown (mouseAt (card, down, down));
    card.mouseDrag (mouseAt (card, down, { 140.0f, 100.0f }));
    card.setVariation (makeVariation (1, "A", home.dir()));
    card.mouseDown (mouseAt (card, down, down));
    card.mouseDrag (mouseAt (card, down, { 140.0f, 100.0f }));
    EXPECT_EQ (card.drags.size(), 1);
}

//==============================================================================
TEST_F (EditorFixture, ClickedCardExpandsAndCollapses)
{
    auto& e = open();
    auto& second = Probe::card (e, 1);

    second.onCardClicked (&second);
    EXPECT_FALSE (second.isExpanded()) << "placeholders ignore clicks";
    EXPECT_EQ (second.getWidth(), 306);

    Probe::render (e, { makeVariation (1, "A"), makeVariation (2, "B"), makeVariation (3, "C") });

    second.onCardClicked (&second);
    EXPECT_TRUE (second.isExpanded());
    const int expandedX[] = { 24, 270, 746 };
    const int expandedW[] = { 230, 460, 230 };
    for (int k = 0; k < 3; ++k)
    {
        EXPECT_EQ (Probe::card (e, k).getX(), expandedX[k]);
        EXPECT_EQ (Probe::card (e, k).getWidth(), expandedW[k]);
        EXPECT_EQ (Probe::card (e, k).getY(), 207);
        EXPECT_EQ (Probe::card (e, k).getHeight(), 477);
    }

    // Clicking another card moves the expansion there.
    auto& first = Probe::card (e, 0);
    first.onCardClicked (&first);
    EXPECT_TRUE (first.isExpanded());
    EXPECT_FALSE (second.isExpanded());
    EXPECT_EQ (first.getWidth(), 460);

    first.onCardClicked (&first);
    EXPECT_FALSE (first.isExpanded());
    const int xs[] = { 24, 346, 668 };
    for (int k = 0; k < 3; ++k)
    {
        EXPECT_EQ (Probe::card (e, k).getX(), xs[k]);
        EXPECT_EQ (Probe::card (e, k).getWidth(), 306);
    }
}

TEST_F (EditorFixture, CardsFadeInOneAfterAnother)
{
    auto& e = open();
    Probe::render (e, { makeVariation (1, "A"), makeVariation (2, "B") });

    EXPECT_TRUE (Probe::card (e, 0).showsVariation());
    EXPECT_TRUE (Probe::card (e, 1).showsVariation());
    EXPECT_FALSE (Probe::card (e, 2).showsVariation());
    EXPECT_EQ (Probe::card (e, 2).getPlaceholderIndex(), 3);
    ASSERT_TRUE (Probe::revealActive (e));

    // Progress of each card after tick t: card 1 moves from tick 0, card 2 from
    // tick 3, card 3 from tick 6, 0.15 a tick.
    const auto expected = [] (int card, int tick)
    {
        const int start[] = { 0, 3, 6 };
        const auto steps = tick - start[card] + 1;
        return steps <= 0 ? 0.0f : std::min (1.0f, 0.15f * (float) steps);
    };

    for (int tick = 0; tick < 13; ++tick)
    {
        ASSERT_TRUE (Probe::revealActive (e)) << "ended early, before tick " << tick;
        Probe::tick (e);
        for (int k = 0; k < 3; ++k)
        {
            EXPECT_NEAR (Probe::reveal (e, k), expected (k, tick), 1.0e-5) << "card " << k << " tick " << tick;
            EXPECT_FLOAT_EQ (Probe::card (e, k).getRevealAlpha(), Probe::reveal (e, k));
        }
    }
    EXPECT_FALSE (Probe::revealActive (e)) << "the reveal takes 13 ticks";

    // An empty result list restores placeholders and starts no fade.
    Probe::render (e, {});
    EXPECT_FALSE (Probe::revealActive (e));
    EXPECT_FALSE (Probe::card (e, 0).showsVariation());
}

TEST_F (EditorFixture, TimerAdvancesAndWrapsThePhase)
{
    auto& e = open();
    Probe::tick (e);
    Probe::tick (e);
    EXPECT_NEAR (Probe::phase (e), 0.07f, 1.0e-6);
    EXPECT_FLOAT_EQ (Probe::laf (e).getPhase(), Probe::phase (e));

    Probe::phase (e) = 628.3f;
    Probe::tick (e);
    EXPECT_NEAR (Probe::phase (e), 628.3f + 0.035f - 628.3185f, 1.0e-3);
}

//==============================================================================
TEST_F (EditorFixture, GenerateFillsTheCardsAndCountsTheRun)
{
    auto& e = open();
    Probe::bpm (e).setText ("5", false);

    Probe::clickGenerate (e);
    EXPECT_FALSE (Probe::generate (e).isEnabled());
    EXPECT_EQ (Probe::generate (e).getButtonText(), "GENERATING...");
    EXPECT_EQ (Probe::status (e).getText(), "");
    EXPECT_EQ (Probe::bpm (e).getText(), "50");

    finishPostedRun();
    ASSERT_TRUE (Probe::generate (e).isEnabled());
    EXPECT_EQ (Probe::generate (e).getButtonText(), "GENERATE TOP 3");
    ASSERT_TRUE (Probe::status (e).getText().startsWith ("Done | Key ")) << Probe::status (e).getText();
    EXPECT_TRUE (Probe::status (e).getText().contains ("| Vibe Emotional |"));
    EXPECT_EQ (Probe::metrics (e).getText(), "1 generations");

    std::vector<VariationData> last;
    {
        const juce::ScopedLock lock (processor->stateLock);
        last = processor->lastVariations;
    }
    ASSERT_EQ (last.size(), 3u);
    for (int k = 0; k < 3; ++k)
    {
        const auto& card = Probe::card (e, k);
        EXPECT_TRUE (card.showsVariation());
        EXPECT_EQ (card.getHeaderLabel().getText(), "#" + juce::String (k + 1));
        EXPECT_EQ (card.getNameLabel().getText(), last[(size_t) k].templateName);
        EXPECT_EQ (card.getMidiPath(), last[(size_t) k].midiFile.getFullPathName());
        EXPECT_TRUE (juce::File (card.getMidiPath()).existsAsFile());
        EXPECT_LT (card.getRevealAlpha(), 1.0f) << "fading in";
    }
    EXPECT_TRUE (Probe::revealActive (e));
    EXPECT_EQ ((int) readState()["total_generations"], 1);

    // A tempo above the range is clamped too.
    Probe::bpm (e).setText ("300", false);
    Probe::clickGenerate (e);
    EXPECT_EQ (Probe::bpm (e).getText(), "220");
    finishPostedRun();
    EXPECT_EQ (Probe::metrics (e).getText(), "2 generations");
}

TEST_F (EditorFixture, FailedRunWarnsAndLeavesTheCards)
{
    // The warning box is a real window.
    if (! hasDisplay())
        GTEST_SKIP() << "needs a display";
    ignoreXErrors();

    auto& e = open();
    Probe::render (e, { makeVariation (1, "Kept") });

    Probe::random (e).setToggleState (false, juce::dontSendNotification);
    Probe::key (e).setText ("H major", juce::dontSendNotification);

    Probe::clickGenerate (e);
    finishPostedRun();

    EXPECT_TRUE (Probe::generate (e).isEnabled());
    EXPECT_EQ (Probe::generate (e).getButtonText(), "GENERATE TOP 3");
    EXPECT_EQ (Probe::status (e).getText(), "Generation failed");
    EXPECT_EQ (Probe::metrics (e).getText(), "0 generations");
    EXPECT_EQ (Probe::card (e, 0).getNameLabel().getText(), "Kept");
    EXPECT_FALSE (Probe::card (e, 1).showsVariation());

    pumpMessages (50);
    auto* alert = dynamic_cast<juce::AlertWindow*> (juce::ModalComponentManager::getInstance()->getModalComponent (0));
    ASSERT_NE (alert, nullptr) << "no warning box";
    EXPECT_EQ (alert->getName(), "halvix");
}

TEST_F (EditorFixture, RunPostedToAClosedEditorIsDropped)
{
    auto& e = open();
    Probe::clickGenerate (e);
    editor.reset();

    pumpMessages (100);

    const juce::ScopedLock lock (processor->stateLock);
    EXPECT_EQ (processor->totalGenerations, 0);
    EXPECT_TRUE (processor->lastVariations.empty());
}

//==============================================================================
TEST_F (EditorFixture, AccentClickRecoloursAndSaves)
{
    auto& e = open();
    auto& dots = Probe::dots (e);
    ASSERT_TRUE (dots[0]->isSelected());

    dots[3]->mouseDown (mouseAt (*dots[3], { 7.0f, 7.0f }, { 7.0f, 7.0f }));

    const juce::Colour rose (0xfff43f5e);
    auto& laf = Probe::laf (e);
    EXPECT_EQ (laf.getAccent(), rose);
    EXPECT_EQ (laf.findColour (juce::TextEditor::focusedOutlineColourId), rose);
    EXPECT_EQ (laf.findColour (juce::PopupMenu::highlightedBackgroundColourId), rose);
    EXPECT_EQ (laf.findColour (juce::PopupMenu::highlightedTextColourId), juce::Colours::white);
    for (int i = 0; i < 6; ++i)
        EXPECT_EQ (dots[i]->isSelected(), i == 3) << "dot " << i;

    EXPECT_EQ (processor->themeAccentIndex, 3);
    EXPECT_EQ ((int) readState()["theme_accent_index"], 3);

    // The GENERATE button's right end is drawn in the accent itself.
    const auto snapshot = e.createComponentSnapshot (e.getLocalBounds(), true, 1.0f);
    const auto c = snapshot.getPixelAt (650, 120);
    EXPECT_GT (c.getRed(), 200);
    EXPECT_LT (c.getGreen(), 110);
}

TEST_F (EditorFixture, EngineSelectorLabelStaysHiddenBeforeTheWindowIsShown)
{
    // The box draws the engine name itself; its label must not paint a second copy,
    // even in a window that was never put on screen (and so never laid out again).
    auto& e = open();
    auto& combo = Probe::model (e);
    juce::Label* label = nullptr;
    for (auto* child : combo.getChildren())
        if (auto* l = dynamic_cast<juce::Label*> (child))
            label = l;

    ASSERT_NE (label, nullptr);
    EXPECT_EQ (label->getText(), combo.getText());
    EXPECT_EQ (label->getBounds(), juce::Rectangle<int> (24, 1, combo.getWidth() - 48, combo.getHeight() - 2));
    EXPECT_TRUE (label->findColour (juce::Label::textColourId).isTransparent());
}

TEST_F (EditorFixture, AnAnimationFramePaintsWhatAWholePaintDoes)
{
    auto& e = open();
    Probe::phase (e) = 2.0f;
    Probe::laf (e).setPhase (2.0f);

    // The two areas the timer marks, painted alone into a buffer the size of the
    // window (as the window system keeps it), at normal and double pixel density.
    juce::RectangleList<int> frameArea;
    frameArea.add (Probe::model (e).getBounds());
    frameArea.add (Probe::generate (e).getBounds().expanded (34, 24).getIntersection (e.getLocalBounds()));

    for (const int scale : { 1, 2 })
    {
        const auto paint = [&] (const juce::RectangleList<int>& clip)
        {
            juce::Image image (juce::Image::ARGB, e.getWidth() * scale, e.getHeight() * scale, true);
            auto physicalClip = clip;
            physicalClip.scaleAll (scale);
            juce::LowLevelGraphicsSoftwareRenderer context (image, {}, physicalClip);
            context.addTransform (juce::AffineTransform::scale ((float) scale));
            juce::Graphics g (context);
            e.paintEntireComponent (g, true);
            return image;
        };

        const auto whole = paint (juce::RectangleList<int> (e.getLocalBounds()));
        const auto frame = paint (frameArea);

        int compared = 0, differing = 0;
        for (const auto& r : frameArea)
            for (int y = r.getY() * scale; y < r.getBottom() * scale; y += 2)
                for (int x = r.getX() * scale; x < r.getRight() * scale; x += 2, ++compared)
                    if (whole.getPixelAt (x, y) != frame.getPixelAt (x, y))
                        ++differing;

        EXPECT_GT (compared, 10000) << "scale " << scale;
        EXPECT_EQ (differing, 0) << "scale " << scale;
    }
}

TEST_F (EditorFixture, StoredAccentIsRestoredAndBadOnesFallBack)
{
    struct Case
    {
        int stored, selected;
    };
    for (const auto& c : { Case { 4, 4 }, Case { 6, 0 }, Case { -1, 0 } })
    {
        processor->themeAccentIndex = c.stored;
        auto& e = open();
        EXPECT_EQ (Probe::laf (e).getAccent(), accentPalette[(size_t) c.selected]) << c.stored;
        for (int i = 0; i < 6; ++i)
            EXPECT_EQ (Probe::dots (e)[i]->isSelected(), i == c.selected) << c.stored;
        editor.reset();
    }
}

TEST_F (EditorFixture, ChosenBackgroundIsShownAndSaved)
{
    const auto picture = home.dir().getChildFile ("bg.png");
    {
        juce::Image image (juce::Image::RGB, 40, 20, true);
        juce::FileOutputStream out (picture);
        ASSERT_TRUE (juce::PNGImageFormat().writeImageToStream (image, out));
    }

    auto& e = open();
    EXPECT_FALSE (Probe::background (e).isValid());

    // Cancelled, or a file that is not there: nothing changes.
    Probe::chooseBackground (&e, juce::File());
    Probe::chooseBackground (&e, home.dir().getChildFile ("missing.png"));
    EXPECT_FALSE (Probe::background (e).isValid());
    EXPECT_TRUE (processor->themeBgImage.isEmpty());

    Probe::chooseBackground (&e, picture);
    EXPECT_TRUE (Probe::background (e).isValid());
    EXPECT_EQ (processor->themeBgImage, picture.getFullPathName());
    EXPECT_EQ (readState()["theme_bg_image"].toString(), picture.getFullPathName());

    // The next window brings it back.
    editor.reset();
    EXPECT_TRUE (Probe::background (open()).isValid());

    // A callback whose editor has gone does nothing.
    juce::Component::SafePointer<HalvixAudioProcessorEditor> gone (editor.get());
    editor.reset();
    processor->themeBgImage = {};
    Probe::chooseBackground (gone, picture);
    EXPECT_TRUE (processor->themeBgImage.isEmpty());
}

TEST_F (EditorFixture, BackgroundCoversTheWindowCentred)
{
    auto& e = open();

    // Green where the picture should show, red in the parts that must be cropped.
    const auto makePicture = [] (int w, int h, juce::Rectangle<int> visible)
    {
        juce::Image image (juce::Image::RGB, w, h, false);
        image.clear (image.getBounds(), juce::Colours::red);
        image.clear (visible, juce::Colour (0xff00ff00));
        return image;
    };
    const auto greenWins = [&e] (int x, int y)
    {
        const auto c = e.createComponentSnapshot (e.getLocalBounds(), true, 1.0f).getPixelAt (x, y);
        return (int) c.getGreen() - (int) c.getRed() > 8;
    };

    // 2000 x 1000: scaled by 0.7 and shifted left by 200.
    Probe::setBackground (e, makePicture (2000, 1000, { 280, 0, 1440, 1000 }));
    EXPECT_TRUE (greenWins (2, 195));
    EXPECT_TRUE (greenWins (997, 195));

    // 500 x 1000: scaled by 2 and shifted up by 650.
    Probe::setBackground (e, makePicture (500, 1000, { 0, 320, 500, 360 }));
    EXPECT_TRUE (greenWins (10, 64));
    EXPECT_TRUE (greenWins (10, 697));
}

TEST (EditorGrain, IsTheSameNoiseEveryTime)
{
    const auto a = HalvixAudioProcessorEditor::createGrainImage();
    const auto b = HalvixAudioProcessorEditor::createGrainImage();
    ASSERT_EQ (a.getWidth(), 1000);
    ASSERT_EQ (a.getHeight(), 700);

    // JUCE's Random is a 48-bit LCG; the first pixel takes its first two draws.
    juce::uint64 seed = 42;
    const auto nextInt = [&seed] (juce::uint32 bound)
    {
        seed = (seed * 0x5deece66dULL + 11) & 0xffffffffffffULL;
        return (int) (((juce::uint64) (juce::uint32) (int) (seed >> 16) * bound) >> 32);
    };
    const auto grey = (juce::uint8) nextInt (256);
    const auto alpha = (juce::uint8) nextInt (46);

    const juce::Image::BitmapData da (a, juce::Image::BitmapData::readOnly);
    const juce::Image::BitmapData db (b, juce::Image::BitmapData::readOnly);
    const auto expected = juce::Colour (grey, grey, grey, alpha).getPixelARGB();
    EXPECT_EQ (reinterpret_cast<const juce::PixelARGB*> (da.getPixelPointer (0, 0))->getNativeARGB(), expected.getNativeARGB());

    int maxAlpha = 0;
    for (int y = 0; y < 700; ++y)
    {
        ASSERT_EQ (std::memcmp (da.getLinePointer (y), db.getLinePointer (y), (size_t) 1000 * 4), 0) << "row " << y;
        for (int x = 0; x < 1000; x += 7)
            maxAlpha = std::max (maxAlpha, (int) reinterpret_cast<const juce::PixelARGB*> (da.getPixelPointer (x, y))->getAlpha());
    }
    EXPECT_EQ (maxAlpha, 45);
}

//==============================================================================
TEST (EditorFonts, KeepSizesStylesAndKerningInAnInstalledFace)
{
    const auto installed = juce::Font::findAllTypefaceNames();
    EXPECT_TRUE (installed.contains (resolvedTextFamily())) << resolvedTextFamily();
    EXPECT_TRUE (installed.contains (resolvedMonoFamily())) << resolvedMonoFamily();
    if (! installed.contains ("Akira Expanded") && ! installed.contains ("SF Pro Display") && installed.contains ("Inter"))
    {
        EXPECT_EQ (resolvedTextFamily(), "Inter");
    }
    if (! installed.contains ("Akira Expanded") && ! installed.contains ("SF Mono") && installed.contains ("JetBrains Mono"))
    {
        EXPECT_EQ (resolvedMonoFamily(), "JetBrains Mono");
    }

    struct Case
    {
        juce::Font font;
        float height;
        bool bold;
        float kerning;
    };
    const Case cases[] = {
        { displayFont (20.0f, 1, 0.06f), 20.0f, true, 0.06f },
        { displayFont (14.0f, 0, 0.0f), 14.0f, true, 0.0f }, // display is always bold
        { bodyFont (11.0f, 1, 0.04f), 11.0f, true, 0.04f },
        { bodyFont (13.0f, 0, 0.01f), 13.0f, false, 0.01f },
        { monoFont (11.0f, 0), 11.0f, false, 0.0f },
    };
    for (const auto& c : cases)
    {
        EXPECT_FLOAT_EQ (c.font.getHeight(), c.height);
        EXPECT_EQ (c.font.isBold(), c.bold);
        EXPECT_FLOAT_EQ (c.font.getExtraKerningFactor(), c.kerning);
    }
    EXPECT_EQ (monoFont().getTypefaceName(), resolvedMonoFamily());
}

//==============================================================================
namespace
{
    juce::Image drawn (int w, int h, const std::function<void (juce::Graphics&)>& draw)
    {
        juce::Image image (juce::Image::ARGB, w, h, true);
        juce::Graphics g (image);
        draw (g);
        return image;
    }
} // namespace

TEST (HalvixLookAndFeelDrawing, OrdinaryButtonFills)
{
    HalvixLookAndFeel laf;
    juce::TextButton button ("BG");
    button.setBounds (0, 0, 28, 28);

    struct Case
    {
        bool highlighted, down;
        juce::Colour fill;
    };
    for (const auto& c : { Case { false, false, bgCard }, Case { true, false, bgCardHover }, Case { false, true, bgCard.darker (0.1f) }, Case { true, true, bgCardHover.darker (0.1f) } })
    {
        const auto image = drawn (28, 28, [&] (juce::Graphics& g)
                                  { laf.drawButtonBackground (g, button, {}, c.highlighted, c.down); });
        EXPECT_EQ (image.getPixelAt (14, 14), c.fill) << c.highlighted << c.down;
    }
    EXPECT_EQ (laf.getTextButtonFont (button, 28).getHeight(), 12.0f);
}

TEST (HalvixLookAndFeelDrawing, DisabledGenerateButtonIsDimmed)
{
    HalvixLookAndFeel laf;
    juce::TextButton button ("GENERATE TOP 3");
    button.setBounds (0, 0, 320, 52);
    EXPECT_EQ (laf.getTextButtonFont (button, 52).getHeight(), 16.0f);
    EXPECT_FLOAT_EQ (laf.getTextButtonFont (button, 52).getExtraKerningFactor(), 0.06f);

    // Drawn with a margin, so that the glow ring around the button shows.
    const auto draw = [&]
    {
        return drawn (360, 92, [&] (juce::Graphics& g)
                      {
                          g.setOrigin (20, 20);
                          laf.drawButtonBackground (g, button, {}, false, false); });
    };
    const auto enabled = draw();
    button.setButtonText ("GENERATING...");
    button.setEnabled (false);
    const auto disabled = draw();

    EXPECT_TRUE (HalvixLookAndFeel::isGenerateButton (button));
    EXPECT_EQ (laf.getTextButtonFont (button, 52).getHeight(), 16.0f);
    EXPECT_EQ (enabled.getPixelAt (180, 46).getAlpha(), 255);
    EXPECT_NEAR (disabled.getPixelAt (180, 46).getAlpha(), 102, 2);

    // The glow ring, 7 px out at phase 0, only while enabled.
    EXPECT_GT (enabled.getPixelAt (180, 13).getAlpha(), 0);
    EXPECT_EQ (disabled.getPixelAt (180, 13).getAlpha(), 0);
}

TEST (HalvixLookAndFeelDrawing, EnabledGenerateButtonIsOpaqueBetweenItsRoundedEnds)
{
    // The window leaves out the backdrop under this area, so it must be covered in
    // every accent, state and phase.
    HalvixLookAndFeel laf;
    juce::TextButton button ("GENERATE TOP 3");
    button.setBounds (0, 0, 320, 52);
    const auto inner = button.getLocalBounds().reduced (13, 1);

    for (const auto accent : { juce::Colour (0xff8b5cf6), juce::Colour (0xfff59e0b), juce::Colour (0xff06b6d4) })
        for (const float phase : { 0.0f, 1.0f, 2.5f, 4.0f })
            for (const int state : { 0, 1, 2 })
            {
                laf.setAccent (accent);
                laf.setPhase (phase);
                const auto image = drawn (320, 52, [&] (juce::Graphics& g)
                                          { laf.drawButtonBackground (g, button, {}, state == 1, state == 2); });
                for (int y = inner.getY(); y < inner.getBottom(); y += 3)
                    for (int x = inner.getX(); x < inner.getRight(); x += 7)
                        ASSERT_EQ (image.getPixelAt (x, y).getAlpha(), 255) << accent.toString() << " " << phase << " " << state << " at " << x << "," << y;
            }
}

TEST (HalvixLookAndFeelDrawing, RowGradientFillMatchesAPlainGradientFill)
{
    HalvixLookAndFeel laf;

    struct Case
    {
        juce::Colour from, to;
        float opacity;
        int scale;
    };
    // The translucent case runs after an opaque one, so a row left from the earlier
    // frame would show.
    for (const auto& c : { Case { juce::Colour (0xff5b3aa0), juce::Colour (0xff8b5cf6), 1.0f, 1 },
                           Case { juce::Colour (0xff10b981), juce::Colour (0xff0a7a55), 0.4f, 1 },
                           Case { juce::Colour (0xfff43f5e), juce::Colour (0xfff59e0b), 1.0f, 2 } })
    {
        juce::ColourGradient gradient (c.from, -40.0f, 26.5f, c.to, 350.0f, 26.5f, false);
        gradient.addColour (0.45, c.from.interpolatedWith (c.to, 0.7f));
        gradient.multiplyOpacity (c.opacity);
        const juce::Rectangle<float> r (0.5f, 0.5f, 319.0f, 51.0f);

        const auto draw = [&] (bool plain)
        {
            juce::Image image (juce::Image::ARGB, 320 * c.scale, 52 * c.scale, true);
            juce::Graphics g (image);
            g.addTransform (juce::AffineTransform::scale ((float) c.scale));
            if (plain)
            {
                g.setGradientFill (gradient);
                g.fillRoundedRectangle (r, 12.0f);
            }
            else
            {
                laf.fillHorizontalGradient (g, gradient, r, 12.0f);
            }
            return image;
        };

        const auto expected = draw (true);
        const auto actual = draw (false);
        int worst = 0;
        for (int y = 0; y < expected.getHeight(); ++y)
            for (int x = 0; x < expected.getWidth(); ++x)
            {
                const auto a = expected.getPixelAt (x, y);
                const auto b = actual.getPixelAt (x, y);
                worst = std::max ({ worst, std::abs (a.getRed() - b.getRed()), std::abs (a.getGreen() - b.getGreen()), std::abs (a.getBlue() - b.getBlue()), std::abs (a.getAlpha() - b.getAlpha()) });
            }
        EXPECT_LE (worst, 2) << "scale " << c.scale << " opacity " << c.opacity;
    }
}

TEST (HalvixLookAndFeelDrawing, RandomSwitchKnobFollowsTheState)
{
    HalvixLookAndFeel laf;
    juce::ToggleButton toggle ("RANDOM");
    toggle.setBounds (0, 0, 100, 20);

    toggle.setToggleState (true, juce::dontSendNotification);
    auto image = drawn (100, 20, [&] (juce::Graphics& g)
                        { laf.drawToggleButton (g, toggle, false, false); });
    EXPECT_EQ (image.getPixelAt (26, 10), juce::Colours::white);
    EXPECT_EQ (image.getPixelAt (8, 10), defaultAccent);

    toggle.setToggleState (false, juce::dontSendNotification);
    image = drawn (100, 20, [&] (juce::Graphics& g)
                   { laf.drawToggleButton (g, toggle, false, false); });
    EXPECT_EQ (image.getPixelAt (10, 10), textDisabled);
    EXPECT_EQ (image.getPixelAt (28, 10), borderDefault);
}

TEST (HalvixLookAndFeelDrawing, InactivePopupItemGetsNoHighlight)
{
    HalvixLookAndFeel laf;
    const auto draw = [&] (bool active)
    {
        return drawn (120, 24, [&] (juce::Graphics& g)
                      { laf.drawPopupMenuItem (g, { 0, 0, 120, 24 }, false, active, true, false, false, "X", {}, nullptr, nullptr); });
    };
    EXPECT_GT (draw (true).getPixelAt (100, 12).getAlpha(), 0);
    EXPECT_EQ (draw (false).getPixelAt (100, 12).getAlpha(), 0);
}

} // namespace halvix

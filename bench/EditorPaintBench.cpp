#include <benchmark/benchmark.h>

#include "PluginEditor.h"
#include "PluginProcessor.h"
#include "ProcessorTestSupport.h"

#include <memory>

using namespace halvix;

namespace
{
juce::Component* findChild (juce::Component& parent, std::function<bool (juce::Component&)> matches)
{
    for (auto* child : parent.getChildren())
        if (matches (*child))
            return child;
    return nullptr;
}

/** One animation frame as the window system draws it: the two areas the timer marks,
    cleared and painted through the editor's whole component tree. The window keeps one
    buffer the size of the window once it has been painted whole, so that is the target. */
void animationFrame (benchmark::State& state)
{
    juce::ScopedJuceInitialiser_GUI gui;
    halvix::test::ScopedTemporaryHome home;

    auto processor = std::make_unique<HalvixAudioProcessor>();
    std::unique_ptr<juce::AudioProcessorEditor> editor (processor->createEditor());
    auto* laf = dynamic_cast<HalvixLookAndFeel*> (&editor->getLookAndFeel());
    auto* combo = findChild (*editor, [] (juce::Component& c)
                             { return c.getName() == "modelCombo"; });
    auto* button = findChild (*editor, [] (juce::Component& c)
                              {
                                  auto* b = dynamic_cast<juce::TextButton*> (&c);
                                  return b != nullptr && b->getButtonText() == "GENERATE TOP 3"; });
    if (laf == nullptr || combo == nullptr || button == nullptr)
    {
        state.SkipWithError ("editor layout not as expected");
        return;
    }

    juce::RectangleList<int> region;
    region.add (combo->getBounds());
    region.add (button->getBounds().expanded (34, 24).getIntersection (editor->getLocalBounds()));
    juce::Image frame (juce::Image::ARGB, editor->getWidth(), editor->getHeight(), true);
    float phase = 0.0f;

    for (auto _ : state)
    {
        phase += 0.035f;
        laf->setPhase (phase);

        for (const auto& r : region)
            frame.clear (r);

        juce::LowLevelGraphicsSoftwareRenderer context (frame, {}, region);
        juce::Graphics g (context);
        editor->paintEntireComponent (g, true);
        benchmark::DoNotOptimize (frame.getPixelAt (0, 0));
    }
}
} // namespace

BENCHMARK (animationFrame)->Unit (benchmark::kMicrosecond);

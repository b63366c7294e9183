#include <gtest/gtest.h>

#include "PluginProcessor.h"
#include "ProcessorTestSupport.h"

#include <cmath>
#include <limits>

using namespace halvix;

namespace
{
juce::AudioProcessor::BusesLayout outputOnly (const juce::AudioChannelSet& set)
{
    juce::AudioProcessor::BusesLayout layout;
    layout.outputBuses.add (set);
    return layout;
}

void fillWithGarbage (juce::AudioBuffer<float>& buffer)
{
    auto& random = juce::Random::getSystemRandom();
    for (int ch = 0; ch < buffer.getNumChannels(); ++ch)
        for (int i = 0; i < buffer.getNumSamples(); ++i)
            buffer.setSample (ch, i, random.nextFloat() * 2.0f - 1.0f);

    buffer.setSample (0, 0, std::numeric_limits<float>::quiet_NaN());
    buffer.setSample (0, 1, std::numeric_limits<float>::infinity());
    buffer.setSample (0, 2, std::numeric_limits<float>::denorm_min());
}
} // namespace

TEST (ProcessorShell, OutputsSilenceAndLeavesMidiAloneForMonoAndStereo)
{
    test::ScopedTemporaryHome home;
    HalvixAudioProcessor processor;

    for (const auto& set : { juce::AudioChannelSet::mono(), juce::AudioChannelSet::stereo() })
    {
        SCOPED_TRACE (set.getDescription().toStdString());
        ASSERT_TRUE (processor.setBusesLayout (outputOnly (set)));
        ASSERT_EQ (processor.getTotalNumOutputChannels(), set.size());
        processor.prepareToPlay (48000.0, 512);

        juce::MidiBuffer midi;
        midi.addEvent (juce::MidiMessage::noteOn (1, 60, (juce::uint8) 100), 3);
        midi.addEvent (juce::MidiMessage::controllerEvent (2, 7, 90), 200);
        const auto midiBefore = midi;

        for (auto blockSize : { 1, 64, 512 })
        {
            juce::AudioBuffer<float> buffer (set.size(), blockSize);
            fillWithGarbage (buffer);
            processor.processBlock (buffer, midi);

            for (int ch = 0; ch < buffer.getNumChannels(); ++ch)
                for (int i = 0; i < blockSize; ++i)
                    ASSERT_EQ (buffer.getSample (ch, i), 0.0f) << "channel " << ch << " sample " << i;
        }

        ASSERT_EQ (midi.getNumEvents(), midiBefore.getNumEvents());
        auto expected = midiBefore.begin();
        for (const auto metadata : midi)
        {
            const auto before = *expected++;
            EXPECT_EQ (metadata.samplePosition, before.samplePosition);
            EXPECT_EQ (metadata.getMessage().getDescription(), before.getMessage().getDescription());
        }

        processor.releaseResources();
    }
}

TEST (ProcessorShell, AcceptsOnlyMonoOrStereoMainOutput)
{
    test::ScopedTemporaryHome home;
    const HalvixAudioProcessor processor;

    EXPECT_TRUE (processor.checkBusesLayoutSupported (outputOnly (juce::AudioChannelSet::mono())));
    EXPECT_TRUE (processor.checkBusesLayoutSupported (outputOnly (juce::AudioChannelSet::stereo())));
    EXPECT_FALSE (processor.checkBusesLayoutSupported (outputOnly (juce::AudioChannelSet::create5point1())));
    EXPECT_FALSE (processor.checkBusesLayoutSupported (outputOnly (juce::AudioChannelSet::quadraphonic())));
    EXPECT_FALSE (processor.checkBusesLayoutSupported ({}));

    // The input side is not looked at.
    auto withInput = outputOnly (juce::AudioChannelSet::stereo());
    withInput.inputBuses.add (juce::AudioChannelSet::create5point1());
    EXPECT_TRUE (processor.isBusesLayoutSupported (withInput));
}

TEST (ProcessorShell, FixedIdentityAndDefaults)
{
    test::ScopedTemporaryHome home;
    HalvixAudioProcessor processor;

    EXPECT_EQ (processor.getName(), "halvix");
    EXPECT_FALSE (processor.acceptsMidi());
    EXPECT_FALSE (processor.producesMidi());
    EXPECT_FALSE (processor.isMidiEffect());
    EXPECT_EQ (processor.getTailLengthSeconds(), 0.0);
    EXPECT_TRUE (processor.hasEditor());
    EXPECT_EQ (processor.getNumPrograms(), 1);
    EXPECT_EQ (processor.getCurrentProgram(), 0);
    EXPECT_EQ (processor.getProgramName (0), "");
    EXPECT_EQ (processor.getParameters().size(), 0);

    EXPECT_EQ (processor.getBusCount (true), 0);
    ASSERT_EQ (processor.getBusCount (false), 1);
    EXPECT_EQ (processor.getBus (false, 0)->getName(), "Output");
    EXPECT_EQ (processor.getBus (false, 0)->getCurrentLayout(), juce::AudioChannelSet::stereo());

    EXPECT_EQ (processor.exportRoot, home.exports());
    EXPECT_EQ (processor.allMidisDir, home.exports().getChildFile ("all_midis"));
    EXPECT_EQ (processor.stateFile, home.stateFile());
    EXPECT_TRUE (processor.lastKey.isEmpty());
    EXPECT_TRUE (processor.lastStatus.isEmpty());
    EXPECT_TRUE (processor.lastVariations.empty());
    EXPECT_EQ (processor.lastRunFolder, juce::File());
    EXPECT_EQ (processor.lastTelemetry.engineModel, "Zentri");
}

TEST (ProcessorShell, DestroyingTheProcessorWritesNothing)
{
    test::ScopedTemporaryHome home;
    auto processor = std::make_unique<HalvixAudioProcessor>();
    processor->totalGenerations = 42;
    processor->themeAccentIndex = 3;

    const auto before = home.stateFile().loadFileAsString();
    const auto modified = home.stateFile().getLastModificationTime();
    const auto tree = test::listTree (home.dir());

    juce::Thread::sleep (20);
    processor.reset();

    EXPECT_EQ (home.stateFile().loadFileAsString(), before);
    EXPECT_EQ (home.stateFile().getLastModificationTime(), modified);
    EXPECT_EQ (test::listTree (home.dir()), tree);
}

TEST (EngineCatalog, ListsTheFourEnginesInMenuOrder)
{
    test::ScopedTemporaryHome home;
    const HalvixAudioProcessor processor;
    const auto catalog = processor.getEngineCatalog();

    ASSERT_EQ (catalog.size(), 4u);
    const char* const ids[] = { "Zentri", "Orvell", "Brisko", "Tandu" };

    for (size_t i = 0; i < catalog.size(); ++i)
    {
        SCOPED_TRACE (ids[i]);
        EXPECT_EQ (catalog[i].id, ids[i]);
        EXPECT_EQ (catalog[i].displayName, ids[i]);
        EXPECT_EQ (normalizeEngineId (catalog[i].id), ids[i]);
        EXPECT_GT (catalog[i].majorTemplateCount, 0);
        EXPECT_GT (catalog[i].minorTemplateCount, 0);
        EXPECT_GE (catalog[i].bounceProfileCount, 1);
    }

    EXPECT_EQ (catalog[0].majorTemplateCount, (int) zentriMajorTemplates.size());
    EXPECT_EQ (catalog[0].minorTemplateCount, (int) zentriMinorTemplates.size());
    EXPECT_EQ (catalog[0].bounceProfileCount, 1);
    EXPECT_EQ (catalog[1].majorTemplateCount, (int) orvellMajorTemplates().size());
    EXPECT_EQ (catalog[1].bounceProfileCount, (int) orvellBounceProfiles().size());
    EXPECT_EQ (catalog[2].minorTemplateCount, (int) briskoMinorTemplates().size());
    EXPECT_EQ (catalog[2].bounceProfileCount, (int) briskoBounceProfiles().size());

    // Tandu's figures are its seed space, not a stored table.
    EXPECT_EQ (catalog[3].majorTemplateCount, (int) tanduSeedsForMode ("major").size() * 1024);
    EXPECT_EQ (catalog[3].minorTemplateCount, (int) tanduSeedsForMode ("minor").size() * 1024);
    EXPECT_EQ (catalog[3].bounceProfileCount, (int) tanduBounceProfiles().size());

    const auto again = processor.getEngineCatalog();
    ASSERT_EQ (again.size(), catalog.size());
    for (size_t i = 0; i < catalog.size(); ++i)
    {
        EXPECT_EQ (again[i].id, catalog[i].id);
        EXPECT_EQ (again[i].majorTemplateCount, catalog[i].majorTemplateCount);
        EXPECT_EQ (again[i].minorTemplateCount, catalog[i].minorTemplateCount);
        EXPECT_EQ (again[i].bounceProfileCount, catalog[i].bounceProfileCount);
    }
}

// The host's threads against a generation run: the state blob waits for the run and is
// never half-updated; the audio callback never waits at all.
#include <gtest/gtest.h>

#include "PluginProcessor.h"
#include "ProcessorTestSupport.h"

#include <atomic>
#include <future>
#include <set>
#include <thread>

using namespace halvix;

namespace
{
juce::String blobOf (HalvixAudioProcessor& processor)
{
    juce::MemoryBlock block;
    processor.getStateInformation (block);
    return block.toString();
}
} // namespace

TEST (Concurrency, TheStateBlobDuringARunIsTheStateBeforeOrAfterIt)
{
    test::ScopedTemporaryHome home;
    HalvixAudioProcessor processor;

    const auto before = blobOf (processor);
    ASSERT_EQ (before, R"({"total_generations": 0, "last_key": "", "active_engine_model": "Brisko"})");
    const juce::String after = R"({"total_generations": 1, "last_key": "C# minor", "active_engine_model": "Orvell"})";

    std::atomic<bool> running { true };
    std::set<juce::String> seen;

    // A host polling the state as fast as it can for the whole run.
    auto poller = std::async (std::launch::async, [&]
                              {
        std::set<juce::String> blobs;
        while (running)
            blobs.insert (blobOf (processor));
        return blobs; });

    // The run changes the engine midway and the counter at the end, all under the lock.
    auto run = std::async (std::launch::async, [&]
                           {
        juce::String error;
        const auto ok = processor.generateTop3 ("C# minor", false, 120, "Orvell", error);
        return ok; });

    // The run folder is made under the lock, so once it shows the run holds the lock, and
    // a state query now has to wait for the whole run.
    bool caughtInProgress = false;
    while (run.wait_for (std::chrono::milliseconds (1)) != std::future_status::ready)
    {
        const auto folders = home.exports().findChildFiles (juce::File::findDirectories, false, "*_c_minor");
        if (! folders.isEmpty())
        {
            caughtInProgress = run.wait_for (std::chrono::seconds (0)) != std::future_status::ready;
            EXPECT_EQ (blobOf (processor), after);
            break;
        }
    }

    ASSERT_EQ (run.wait_for (std::chrono::seconds (120)), std::future_status::ready);
    EXPECT_TRUE (run.get());
    running = false;
    const auto blobs = poller.get();

    EXPECT_TRUE (caughtInProgress) << "the run ended before the test saw it hold the lock";
    EXPECT_EQ (blobOf (processor), after);
    for (const auto& blob : blobs)
    {
        EXPECT_TRUE (blob == before || blob == after) << blob;
        EXPECT_NE (juce::JSON::parse (blob).getDynamicObject(), nullptr) << blob;
    }
}

TEST (Concurrency, TheAudioCallbackNeverWaitsForTheProcessorsLock)
{
    test::ScopedTemporaryHome home;
    HalvixAudioProcessor processor;
    processor.prepareToPlay (48000.0, 512);

    juce::AudioBuffer<float> buffer (2, 512);
    for (int channel = 0; channel < 2; ++channel)
        juce::FloatVectorOperations::fill (buffer.getWritePointer (channel), 0.5f, 512);
    juce::MidiBuffer midi;

    // Holding the lock here stands for a run or the editor on the message thread.
    const juce::ScopedLock held (processor.stateLock);
    auto audio = std::async (std::launch::async, [&]
                             {
        for (int block = 0; block < 100; ++block)
            processor.processBlock (buffer, midi); });

    ASSERT_EQ (audio.wait_for (std::chrono::seconds (5)), std::future_status::ready) << "processBlock waited on stateLock";
    EXPECT_EQ (buffer.getMagnitude (0, 512), 0.0f);
}

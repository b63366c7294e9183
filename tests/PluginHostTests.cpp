// Loads the built VST3 and LV2 bundles the way a DAW does, through JUCE's own
// plug-in hosting, and checks that each behaves like the stand-alone app's processor.

#include <gtest/gtest.h>

#include <juce_audio_processors/juce_audio_processors.h>

#include <cstdlib>
#include <dlfcn.h>
#include <memory>

namespace
{
struct ScopedHome
{
    ScopedHome()
    {
        const char* previous = std::getenv ("HOME");
        oldHome = previous != nullptr ? previous : "";
        ::setenv ("HOME", dir.getFile().getFullPathName().toRawUTF8(), 1);
        dir.getFile().createDirectory();
    }

    ~ScopedHome() { ::setenv ("HOME", oldHome.toRawUTF8(), 1); }

    juce::TemporaryFile dir;
    juce::String oldHome;
};

/** Whether a host-side state blob holds the processor's JSON state, either as it is or
    wrapped by the hosting format. */
bool carriesProcessorState (const juce::MemoryBlock& blob)
{
    auto holdsJson = [] (const juce::String& text)
    {
        const auto start = text.indexOf ("{\"total_generations\"");
        if (start < 0)
            return false;
        const auto parsed = juce::JSON::parse (text.substring (start, text.indexOf (start, "}") + 1));
        return parsed.isObject() && parsed.hasProperty ("last_key") && parsed.hasProperty ("active_engine_model");
    };

    if (holdsJson (blob.toString()))
        return true;

    // LV2 hosts keep it as a Turtle preset with JUCE's own base64 text.
    const auto text = blob.toString();
    if (const auto marker = text.indexOf (":StateString> \""); marker >= 0)
    {
        const auto start = marker + juce::String (":StateString> \"").length();
        juce::MemoryBlock decoded;
        if (decoded.fromBase64Encoding (text.substring (start, text.indexOf (start, "\""))) && holdsJson (decoded.toString()))
            return true;
    }

    // JUCE's VST3 host stores it base64-encoded in XML.
    if (auto xml = juce::AudioProcessor::getXmlFromBinary (blob.getData(), static_cast<int> (blob.getSize())))
        for (auto* child : xml->getChildIterator())
        {
            juce::MemoryBlock decoded;
            if (decoded.fromBase64Encoding (child->getAllSubText().trim()) && holdsJson (decoded.toString()))
                return true;
        }

    return false;
}

/** Hosts install an X error handler; without one Xlib ends the process on the first
    harmless error (a window-manager atom that a bare X server lacks). */
void ignoreXErrors()
{
    juce::Desktop::getInstance().getDisplays(); // makes JUCE load Xlib
    using Handler = int (*) (void*, void*);
    using SetHandler = Handler (*) (Handler);
    if (auto* x11 = dlopen ("libX11.so.6", RTLD_NOW | RTLD_NOLOAD))
        if (auto set = reinterpret_cast<SetHandler> (dlsym (x11, "XSetErrorHandler")))
            set ([] (void*, void*) { return 0; });
}

void checkHostedPlugin (juce::AudioPluginFormat& format, const juce::String& bundlePath)
{
    ScopedHome home;
    ASSERT_TRUE (juce::File (bundlePath).isDirectory()) << bundlePath;

    juce::OwnedArray<juce::PluginDescription> types;
    format.findAllTypesForFile (types, bundlePath);
    ASSERT_EQ (types.size(), 1) << "no plug-in found in " << bundlePath;

    const auto& desc = *types[0];
    EXPECT_EQ (desc.name, juce::String ("halvix"));
    EXPECT_FALSE (desc.isInstrument);

    juce::String error;
    auto instance = format.createInstanceFromDescription (desc, 48000.0, 512, error);
    ASSERT_NE (instance, nullptr) << error;
    EXPECT_EQ (instance->getName(), juce::String ("halvix"));
    EXPECT_FALSE (instance->acceptsMidi());
    EXPECT_FALSE (instance->producesMidi());
    EXPECT_EQ (instance->getTotalNumInputChannels(), 0);
    EXPECT_EQ (instance->getTotalNumOutputChannels(), 2);

    // Its start-up sequence ran inside the plug-in and filed the export folder in HOME.
    EXPECT_TRUE (home.dir.getFile().getChildFile ("halvix_exports/.halvix_state.json").existsAsFile());

    instance->prepareToPlay (48000.0, 512);
    juce::Random random (7);
    for (int block = 0; block < 8; ++block)
    {
        juce::AudioBuffer<float> buffer (2, 512);
        for (int ch = 0; ch < buffer.getNumChannels(); ++ch)
            for (int i = 0; i < buffer.getNumSamples(); ++i)
                buffer.setSample (ch, i, random.nextFloat() * 2.0f - 1.0f);
        juce::MidiBuffer midi;
        instance->processBlock (buffer, midi);
        for (int ch = 0; ch < buffer.getNumChannels(); ++ch)
            EXPECT_EQ (buffer.getMagnitude (ch, 0, buffer.getNumSamples()), 0.0f) << "block " << block;
    }
    instance->releaseResources();

    ASSERT_TRUE (instance->hasEditor());
    {
        std::unique_ptr<juce::AudioProcessorEditor> editor (instance->createEditorIfNeeded());
        ASSERT_NE (editor, nullptr);
        EXPECT_GT (editor->getWidth(), 0);
        EXPECT_GT (editor->getHeight(), 0);
    }

    juce::MemoryBlock state;
    instance->getStateInformation (state);
    EXPECT_TRUE (carriesProcessorState (state)) << state.toString();
    instance->setStateInformation (state.getData(), static_cast<int> (state.getSize()));
    juce::MemoryBlock again;
    instance->getStateInformation (again);
    EXPECT_EQ (again, state);
}
} // namespace

TEST (PluginHost, LoadsTheVst3Bundle)
{
    juce::VST3PluginFormat format;
    checkHostedPlugin (format, HALVIX_VST3_BUNDLE);
}

TEST (PluginHost, LoadsTheLv2Bundle)
{
    juce::LV2PluginFormat format;
    checkHostedPlugin (format, HALVIX_LV2_BUNDLE);
}

TEST (PluginHost, FormatManagerScansBothBundles)
{
    juce::AudioPluginFormatManager manager;
    manager.addDefaultFormats();
    int found = 0;
    for (auto* format : manager.getFormats())
    {
        juce::OwnedArray<juce::PluginDescription> types;
        for (const auto* path : { HALVIX_VST3_BUNDLE, HALVIX_LV2_BUNDLE })
            if (format->fileMightContainThisPluginType (path))
                format->findAllTypesForFile (types, path);
        found += types.size();
    }
    EXPECT_EQ (found, 2);
}

int main (int argc, char** argv)
{
    testing::InitGoogleTest (&argc, argv);
    juce::ScopedJuceInitialiser_GUI juceInit;
    ignoreXErrors();
    return RUN_ALL_TESTS();
}

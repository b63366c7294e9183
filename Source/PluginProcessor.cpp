#include "PluginProcessor.h"
#include "PluginEditor.h"
#include "ProcessorFiles.h"

#include <limits>

namespace halvix
{

namespace
{
    /** Folder name of one run: local time, milliseconds, a random part and the key's slug. */
    juce::String makeRunFolderName (const juce::String& key)
    {
        const auto now = juce::Time::getCurrentTime();
        const auto randomPart = juce::Random::getSystemRandom().nextInt (1000);

        return now.formatted ("%Y%m%d_%H%M%S")
               + "_" + juce::String (now.getMilliseconds()).paddedLeft ('0', 3)
               + "_" + juce::String (randomPart).paddedLeft ('0', 3)
               + "_" + slugify (key);
    }

    juce::String statusLine (const juce::String& resolvedKey,
                             const GenerationTelemetry& telemetry,
                             const GenerationOptions& options,
                             const juce::String& vibe,
                             int totalRuns)
    {
        juce::String line;
        line << "Done | Key " << resolvedKey
             << " | Engine " << telemetry.engineModel
             << " | Bounce " << telemetry.bounceProfile << " (" << (telemetry.bounceProfileIndex + 1) << "/" << telemetry.bounceProfileCount << ")"
             << " | Pool " << telemetry.templatePoolSize
             << " | Melody " << (telemetry.melodyAdded ? "On " + juce::String (telemetry.melodyNoteCount) + " notes" : juce::String ("Off"))
             << " | Complexity " << options.complexity
             << " | Tension " << options.tension
             << " | Vibe " << vibe
             << " | Total runs " << totalRuns;
        return line;
    }
} // namespace

juce::String slugify (const juce::String& text)
{
    static const juce::String separators (" /\\:;,.|+()[]{}");
    static const juce::String kept ("abcdefghijklmnopqrstuvwxyz0123456789_-");

    juce::String slug;
    for (auto c : text.toLowerCase())
        if (separators.containsChar (c))
            slug << '_';
        else if (kept.containsChar (c))
            slug << c;

    slug = slug.trimCharactersAtStart ("_").trimCharactersAtEnd ("_");
    return slug.isEmpty() ? juce::String ("item") : slug;
}

HalvixAudioProcessor::HalvixAudioProcessor()
    : AudioProcessor (BusesProperties().withOutput ("Output", juce::AudioChannelSet::stereo(), true))
{
    runStartupSequence();
}

HalvixAudioProcessor::~HalvixAudioProcessor() = default;

const juce::String HalvixAudioProcessor::getName() const
{
    return "halvix";
}

void HalvixAudioProcessor::prepareToPlay (double, int) {}
void HalvixAudioProcessor::releaseResources() {}

void HalvixAudioProcessor::processBlock (juce::AudioBuffer<float>& buffer, juce::MidiBuffer&)
{
    // Runs on the audio thread: touches no member and no lock.
    juce::ScopedNoDenormals noDenormals;

    for (auto channel = getTotalNumInputChannels(); channel < getTotalNumOutputChannels(); ++channel)
        buffer.clear (channel, 0, buffer.getNumSamples());
}

double HalvixAudioProcessor::getTailLengthSeconds() const
{
    return 0.0;
}
bool HalvixAudioProcessor::acceptsMidi() const
{
    return false;
}
bool HalvixAudioProcessor::producesMidi() const
{
    return false;
}
bool HalvixAudioProcessor::isMidiEffect() const
{
    return false;
}

juce::AudioProcessorEditor* HalvixAudioProcessor::createEditor()
{
    return new HalvixAudioProcessorEditor (*this);
}
bool HalvixAudioProcessor::hasEditor() const
{
    return true;
}

int HalvixAudioProcessor::getNumPrograms()
{
    return 1;
}
int HalvixAudioProcessor::getCurrentProgram()
{
    return 0;
}
void HalvixAudioProcessor::setCurrentProgram (int) {}
const juce::String HalvixAudioProcessor::getProgramName (int)
{
    return {};
}
void HalvixAudioProcessor::changeProgramName (int, const juce::String&) {}

bool HalvixAudioProcessor::isBusesLayoutSupported (const BusesLayout& layouts) const
{
    if (layouts.outputBuses.isEmpty())
        return false;

    const auto main = layouts.getMainOutputChannelSet();
    return main == juce::AudioChannelSet::mono() || main == juce::AudioChannelSet::stereo();
}

bool HalvixAudioProcessor::generateTop3 (const juce::String& key, bool randomKey, int bpm, const juce::String& vibe, juce::String& error)
{
    const juce::ScopedLock lock (stateLock);

    exportRoot.createDirectory();
    allMidisDir.createDirectory();

    // The engine text is passed on as written; the engine normalises it itself.
    const auto engine = normalizeEngineId (vibe).isNotEmpty() ? vibe.trim() : activeEngineModel;
    const auto isZentri = engine.equalsIgnoreCase ("Zentri");

    GenerationOptions options;
    options.engineId = engine;
    options.variationCount = 3;
    options.complexity = 58;
    options.tension = 52;
    options.quantize = ! isZentri;
    options.melody = ! isZentri;

    const auto runKey = randomKey ? GenerationEngine::randomKeyName (! isZentri) : key;
    const auto runFolderName = makeRunFolderName (runKey);
    const auto runFolder = exportRoot.getChildFile (runFolderName);
    runFolder.createDirectory();

    std::vector<VariationData> results;
    GenerationTelemetry telemetry;
    juce::String resolvedKey;

    if (! GenerationEngine::generateWithOptions (runKey, bpm, runFolder, options, telemetry, results, resolvedKey, error))
    {
        lastStatus = "Generation failed";
        return false;
    }

    if (results.empty())
    {
        error = "No variations generated.";
        lastStatus = "Generation failed";
        return false;
    }

    const auto keySlugText = slugify (resolvedKey);

    for (auto& variation : results)
    {
        const auto templateSlug = slugify (variation.templateName);
        const auto rankName = "rank_" + juce::String (variation.rank) + "_" + templateSlug + ".mid";
        const auto target = runFolder.getChildFile (rankName);

        if (variation.midiFile.existsAsFile() && ! variation.midiFile.getFullPathName().equalsIgnoreCase (target.getFullPathName()))
            copyFileSafely (variation.midiFile, target);

        variation.midiFile = target;

        if (target.existsAsFile())
            copyFileSafely (target, allMidisDir.getChildFile (runFolderName + "_" + keySlugText + "_" + rankName));
    }

    lastTelemetry = telemetry;
    activeEngineModel = telemetry.engineModel;

    if (! writeProgressionsJson (resolvedKey, results, runFolder.getChildFile ("progressions.json"), error))
    {
        lastStatus = "Generation failed";
        return false;
    }

    copyFileSafely (results.front().midiFile, exportRoot.getChildFile ("halvix_latest.mid"));

    // Count on from whatever another instance sharing the export folder has saved.
    totalGenerations = juce::jmax (totalGenerations, storedTotalGenerations (stateFile));
    if (totalGenerations < std::numeric_limits<int>::max())
        ++totalGenerations;

    saveState();

    lastKey = resolvedKey;
    lastRunFolder = runFolder;
    lastVariations = results;
    lastStatus = statusLine (resolvedKey, telemetry, options, vibe, totalGenerations);
    return true;
}

std::vector<EngineCatalogEntry> HalvixAudioProcessor::getEngineCatalog() const
{
    auto entry = [] (const char* id, size_t major, size_t minor, size_t profiles)
    {
        EngineCatalogEntry e;
        e.id = id;
        e.displayName = id;
        e.majorTemplateCount = (int) major;
        e.minorTemplateCount = (int) minor;
        e.bounceProfileCount = (int) profiles;
        return e;
    };

    return {
        entry ("Zentri", zentriMajorTemplates.size(), zentriMinorTemplates.size(), 1),
        entry ("Orvell", orvellMajorTemplates().size(), orvellMinorTemplates().size(), orvellBounceProfiles().size()),
        entry ("Brisko", briskoMajorTemplates().size(), briskoMinorTemplates().size(), briskoBounceProfiles().size()),
        entry ("Tandu", tanduSeedsForMode ("major").size() * 1024, tanduSeedsForMode ("minor").size() * 1024, tanduBounceProfiles().size()),
    };
}
} // namespace halvix

juce::AudioProcessor* JUCE_CALLTYPE createPluginFilter()
{
    return new halvix::HalvixAudioProcessor();
}

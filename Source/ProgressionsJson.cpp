#include "PluginProcessor.h"
#include "ProcessorFiles.h"

namespace halvix
{

namespace
{
    juce::var chordToVar (const ChordData& chord)
    {
        auto* object = new juce::DynamicObject();
        object->setProperty ("chord_name", chord.chordName);

        juce::Array<juce::var> notes;
        for (const auto& note : chord.midiNotes)
            notes.add (note);

        object->setProperty ("midi_notes", notes);
        object->setProperty ("duration_beats", chord.durationBeats);
        object->setProperty ("start_beat", chord.startBeat);
        object->setProperty ("velocity_range", juce::Array<juce::var> { chord.velocityMin, chord.velocityMax });
        return juce::var (object);
    }

    juce::var variationToVar (const VariationData& variation)
    {
        auto* object = new juce::DynamicObject();
        object->setProperty ("rank", variation.rank);
        object->setProperty ("template", variation.templateName);
        object->setProperty ("emotional_score", variation.emotionalScore);
        object->setProperty ("midi_file", variation.midiFile.getFullPathName());

        juce::Array<juce::var> chords;
        for (const auto& chord : variation.chords)
            chords.add (chordToVar (chord));

        object->setProperty ("chords", chords);
        return juce::var (object);
    }
} // namespace

bool HalvixAudioProcessor::writeProgressionsJson (const juce::String& key,
                                                  const std::vector<VariationData>& variations,
                                                  const juce::File& file,
                                                  juce::String& error) const
{
    auto* root = new juce::DynamicObject();
    const juce::var document (root);

    root->setProperty ("key", key);
    root->setProperty ("engine_model", lastTelemetry.engineModel);
    root->setProperty ("template_pool_size", lastTelemetry.templatePoolSize);
    root->setProperty ("bounce_profile", lastTelemetry.bounceProfile);
    root->setProperty ("bounce_profile_index", lastTelemetry.bounceProfileIndex);
    root->setProperty ("bounce_profile_count", lastTelemetry.bounceProfileCount);
    root->setProperty ("quantized", lastTelemetry.quantized);
    root->setProperty ("melody_added", lastTelemetry.melodyAdded);
    root->setProperty ("melody_note_count", lastTelemetry.melodyNoteCount);

    juce::Array<juce::var> ranked;
    for (const auto& variation : variations)
        ranked.add (variationToVar (variation));

    root->setProperty ("variations_ranked", ranked);

    if (replaceFileContentSafely (file, toSingleLineJson (document)))
        return true;

    error = "Failed to write progressions JSON: " + file.getFullPathName();
    return false;
}

} // namespace halvix

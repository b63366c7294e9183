// Arbitrary template tables through voicing, scoring, ranking and MIDI writing.
#include "FuzzSupport.h"
#include "GenerationEngine.h"

#include <fuzzer/FuzzedDataProvider.h>

#include <cmath>
#include <limits>

using namespace halvix;

namespace
{
juce::File folder;

int anyInt (FuzzedDataProvider& input)
{
    switch (input.ConsumeIntegralInRange (0, 3))
    {
        case 0:
            return input.ConsumeIntegralInRange (-2, 9);
        case 1:
            return input.ConsumeBool() ? std::numeric_limits<int>::max() : std::numeric_limits<int>::min();
        default:
            return input.ConsumeIntegral<int>();
    }
}

double anyDuration (FuzzedDataProvider& input)
{
    constexpr auto inf = std::numeric_limits<double>::infinity();
    static const double special[] = { 4.0, 2.0, 1.0, 0.5, 0.0, -0.0, -4.0, 1.0e-300, 5.0e-324, 1.0e7, 1.0e300, -1.0e300, std::numeric_limits<double>::max(), std::numeric_limits<double>::quiet_NaN(), inf, -inf };
    if (input.ConsumeBool())
        return special[input.ConsumeIntegralInRange<size_t> (0, std::size (special) - 1)];
    return input.ConsumeFloatingPoint<double>();
}

String anyWord (FuzzedDataProvider& input, std::initializer_list<const char*> usual)
{
    const auto choice = input.ConsumeIntegralInRange<size_t> (0, usual.size());
    if (choice < usual.size())
        return usual.begin()[choice];
    return fuzz::textFromBytes (input.ConsumeBytes<std::uint8_t> (input.ConsumeIntegralInRange<size_t> (0, 12)));
}

ChordPlan anyPlan (FuzzedDataProvider& input)
{
    ChordPlan plan;
    plan.degree = anyInt (input);
    plan.quality = anyWord (input, { "triad", "maj7", "min7", "add9", "9", "sus2", "sus4", "maj7_add9", "min7_add9", "sus2_add9", "sus4_add9", "dom7", "dom9", "dim", "dim7", "m7b5", "aug", "add11", "add6", "7sus4", "11", "13" });
    plan.durationBeats = anyDuration (input);
    plan.bar = anyInt (input);
    plan.function = anyWord (input, { "foundation", "movement", "lift", "resolve" });
    plan.inversion = anyInt (input);
    return plan;
}

void checkRenders (const std::vector<ChordPlan>& plans, const std::vector<ChordRender>& renders)
{
    HALVIX_FUZZ_CHECK (renders.size() == plans.size());
    for (const auto& render : renders)
    {
        HALVIX_FUZZ_CHECK (render.midiNotes.size() >= 1);
        for (size_t i = 0; i < render.midiNotes.size(); ++i)
        {
            HALVIX_FUZZ_CHECK (render.midiNotes[i] >= 0 && render.midiNotes[i] <= 127);
            if (i > 0)
                HALVIX_FUZZ_CHECK (render.midiNotes[i - 1] < render.midiNotes[i]);
        }
        HALVIX_FUZZ_CHECK (render.velocityMin >= 1 && render.velocityMin <= render.velocityMax && render.velocityMax <= 127);
        HALVIX_FUZZ_CHECK (render.name.isNotEmpty());
    }
}

/** Reads a written file back the way a sequencer would and checks every event. */
void checkMidiFile (const juce::File& file, bool fixedRhythm)
{
    juce::FileInputStream stream (file);
    HALVIX_FUZZ_CHECK (stream.openedOk());

    juce::MidiFile midi;
    int format = 0;
    HALVIX_FUZZ_CHECK (midi.readFrom (stream, true, &format));
    HALVIX_FUZZ_CHECK (format == 1 && midi.getNumTracks() == 2 && midi.getTimeFormat() == kTicksPerBeat);

    const auto& notes = *midi.getTrack (1);
    int ons = 0, offs = 0;
    for (const auto* event : notes)
    {
        const auto& m = event->message;
        HALVIX_FUZZ_CHECK (m.getTimeStamp() >= 0.0);
        if (m.isNoteOn())
        {
            ++ons;
            HALVIX_FUZZ_CHECK (m.getVelocity() >= 1);
            HALVIX_FUZZ_CHECK (m.getChannel() == 1 || (! fixedRhythm && m.getChannel() == 2));
        }
        else if (m.isNoteOff())
        {
            ++offs;
        }
    }
    // Pairing inserts an extra note-off where a note starts again before it was released,
    // so there may be more offs than ons, never fewer.
    HALVIX_FUZZ_CHECK (offs >= ons);
}
} // namespace

extern "C" int LLVMFuzzerInitialize (int*, char***)
{
    folder = fuzz::scratchFolder ("halvix_fuzz_templates");
    return 0;
}

extern "C" int LLVMFuzzerTestOneInput (const std::uint8_t* data, size_t size)
{
    FuzzedDataProvider input (data, size);
    globalRng().seed (input.ConsumeIntegral<std::uint32_t>());

    KeySpec key;
    String resolved, error;
    const auto keyText = String (keyPool[input.ConsumeIntegralInRange<size_t> (0, 11)]) + (input.ConsumeBool() ? " minor" : " major");
    HALVIX_FUZZ_CHECK (parseKey (keyText, key, resolved, error));
    const auto scale = scalePitchClasses (key);

    TemplateTable table;
    const auto templates = input.ConsumeIntegralInRange (0, 6);
    for (int t = 0; t < templates; ++t)
    {
        std::vector<ChordPlan> plans;
        const auto count = input.ConsumeIntegralInRange (0, 10);
        for (int p = 0; p < count; ++p)
            plans.push_back (anyPlan (input));

        const auto renders = renderTemplate (key, scale, plans);
        checkRenders (plans, renders);

        const auto score = emotionalScore (plans, renders);
        HALVIX_FUZZ_CHECK (std::isfinite (score) && score >= 0.0);

        table.emplace_back (anyWord (input, { "Fuzz One", "" }), std::move (plans));
    }

    GenerationOptions options;
    // Dispatch hands on only canonical names (the id becomes part of the file name).
    options.engineId = anyWord (input, { "Zentri", "Orvell", "Brisko", "Tandu" }).retainCharacters ("abcdefghijklmnopqrstuvwxyzABCDEFGHIJKLMNOPQRSTUVWXYZ ");
    options.variationCount = anyInt (input);
    options.complexity = anyInt (input);
    options.tension = anyInt (input);
    options.melody = input.ConsumeBool();
    const bool fixedRhythm = input.ConsumeBool();

    const std::vector<BounceProfile>* profiles[] = { &orvellBounceProfiles(), &briskoBounceProfiles(), &tanduBounceProfiles() };
    const auto& list = *profiles[input.ConsumeIntegralInRange<size_t> (0, 2)];
    const BounceProfile* profile = input.ConsumeBool() || list.empty() ? nullptr : &list[input.ConsumeIntegralInRange<size_t> (0, list.size() - 1)];
    const int bpm = anyInt (input);

    GenerationTelemetry telemetry;
    std::vector<VariationData> results;
    const auto ok = generateWithTemplates (key, bpm, folder, table, options, profile, fixedRhythm, telemetry, results, error);
    if (! ok)
        std::fprintf (stderr, "generateWithTemplates failed: %s\n", error.toRawUTF8());
    HALVIX_FUZZ_CHECK (ok);
    HALVIX_FUZZ_CHECK (error.isEmpty());
    HALVIX_FUZZ_CHECK (telemetry.templatePoolSize == (int) table.size());

    const auto total = (int) table.size();
    const auto expected = total == 0 ? 0 : juce::jlimit (1, total, options.variationCount <= 0 ? total : options.variationCount);
    HALVIX_FUZZ_CHECK ((int) results.size() == expected);

    for (const auto& v : results)
    {
        HALVIX_FUZZ_CHECK (v.midiFile.existsAsFile() && v.midiFile.getParentDirectory() == folder);
        checkMidiFile (v.midiFile, fixedRhythm);
        for (const auto& chord : v.chords)
            HALVIX_FUZZ_CHECK (chord.midiNotes.size() >= 1);
    }

    return 0;
}

#pragma once

#include <juce_core/juce_core.h>
#include <juce_audio_basics/juce_audio_basics.h>

#include <array>
#include <cstdint>
#include <random>
#include <string>
#include <unordered_map>
#include <utility>
#include <vector>

// The chord-progression engine: the records passed between engine, processor and
// editor, the music vocabulary, the engines' template tables and the MIDI writer.
// Positions and lengths are beats (quarter notes) from the start of bar 1.

namespace halvix
{
using juce::File;
using juce::String;
using juce::StringArray;

//==============================================================================
// Output records, kept and displayed by the processor and the editor.

struct ChordData
{
    String chordName;
    StringArray midiNotes; // note names, lowest first, e.g. "C#4"
    double durationBeats = 0.0;
    int velocityMin = 70;
    int velocityMax = 92;
    double startBeat = 0.0;
};

struct VariationData
{
    int rank = 0;
    String templateName;
    double emotionalScore = 0.0;
    File midiFile;
    std::vector<ChordData> chords;
};

struct BounceProfile
{
    int id = 0;
    String name;
    std::array<int, 6> offsets {}; // per-chord onset shift in ticks; chord k uses k mod 6
    int velocityBoost = 0;
};

namespace GenerationEngine
{
    struct KeySpec
    {
        int rootPc = 0;
        String tonic = "C";
        String mode = "major";
        bool useSharps = true;
    };

    /** One chord step of a template, before voicing. */
    struct ChordPlan
    {
        int degree = 1;
        String quality = "triad";
        double durationBeats = 4.0;
        int bar = 1;
        String function = "foundation";
        int inversion = 0;
    };

    /** One voiced chord, ready to be written as MIDI. */
    struct ChordRender
    {
        String name;
        std::vector<int> midiNotes; // ascending, distinct
        double durationBeats = 0.0;
        int velocityMin = 70;
        int velocityMax = 92;
        double startBeat = 0.0;
        int bar = 1;
    };

    struct GenerationOptions
    {
        String engineId = "Orvell";
        int variationCount = 3;
        int complexity = 58;
        int tension = 52;
        bool quantize = true;
        bool melody = true;
    };

    struct GenerationTelemetry
    {
        String engineModel = "Zentri";
        String bounceProfile = "Default";
        int bounceProfileIndex = 0;
        int bounceProfileCount = 1;
        int templatePoolSize = 0;
        bool quantized = false;
        bool melodyAdded = false;
        int melodyNoteCount = 0;
    };

    struct EngineCatalogEntry
    {
        String id;
        String displayName;
        int majorTemplateCount = 0;
        int minorTemplateCount = 0;
        int bounceProfileCount = 0;
    };

    using TemplateEntry = std::pair<String, std::vector<ChordPlan>>;
    using TemplateTable = std::vector<TemplateEntry>;

    /** The engine's single entry point: resolves the engine, parses the key, picks the
        table and rhythm, generates and ranks, and writes the MIDI files. */
    bool generateWithOptions (const String& keyText,
                              int bpm,
                              const File& exportDir,
                              const GenerationOptions& options,
                              GenerationTelemetry& telemetry,
                              std::vector<VariationData>& results,
                              String& resolvedKey,
                              String& error);

    /** A random key text such as "F# minor"; owns its own generator. */
    String randomKeyName (bool preferMinor);
} // namespace GenerationEngine

using GenerationEngine::ChordPlan;
using GenerationEngine::ChordRender;
using GenerationEngine::EngineCatalogEntry;
using GenerationEngine::GenerationOptions;
using GenerationEngine::GenerationTelemetry;
using GenerationEngine::KeySpec;
using GenerationEngine::TemplateEntry;
using GenerationEngine::TemplateTable;

using ScalePitchClasses = std::array<int, 7>;

//==============================================================================
// Random numbers. Every engine draw goes through the one shared generator.

/** The engine's shared generator, seeded once from the random device. Tests may reseed it. */
std::mt19937& globalRng();

/** Uniform integer in [lo, hi] (inclusive, unbiased); returns lo when hi <= lo. */
int uniformInt (int lo, int hi);

/** Uniform real in [0, 1) from two 32-bit outputs, low half first. */
double uniformReal();

/** The same draws from another generator (the random key keeps one of its own). */
int uniformInt (std::mt19937& rng, int lo, int hi);
double uniformReal (std::mt19937& rng);

/** True with probability p. */
bool randomBool (double p);

//==============================================================================
// Keys and pitch names.

extern const std::unordered_map<std::string, int> noteToPc;
extern const std::array<const char*, 12> pcSharp;
extern const std::array<const char*, 12> pcFlat;
extern const std::array<const char*, 12> keyPool;

/** Parses key text such as "C# minor", "Eb", "F#m". On failure only error is set. */
bool parseKey (const String& text, KeySpec& key, String& resolvedKey, String& error);

/** Spelling of a pitch class (any integer, reduced into 0-11). */
String pitchClassName (int pc, bool useSharps);

/** Scientific pitch name, middle C (60) = C4. */
String midiNoteName (int note, bool useSharps);

/** File-name prefix of a key, e.g. "cs_minor". */
String keySlug (const KeySpec& key);

//==============================================================================
// Chord vocabulary and scales.

extern const ScalePitchClasses majorScale;
extern const ScalePitchClasses minorScale;

struct ChordMeta
{
    String label;
    int velocityMin = 70;
    int velocityMax = 92;
};

extern const std::unordered_map<std::string, ChordMeta> chordMeta;

/** The chordMeta entry of a quality word, or the word itself as label with 70..92. */
ChordMeta chordMetaFor (const String& quality);

ScalePitchClasses scalePitchClasses (const KeySpec& key);

/** Distinct pitch classes of a chord built diatonically on a degree; may draw from globalRng. */
std::vector<int> chordPitchClasses (const ScalePitchClasses& scale, int degree, const String& quality);

/** The roman numeral of a chord token ("bVIIM" -> "VII"), possibly empty. */
String romanPart (const String& token);

/** 1-7 for "I".."VII" in either case, -1 otherwise. */
int degreeFromNumeral (const String& numeral);

//==============================================================================
// Chord rendering and MIDI output.

constexpr int kTicksPerBeat = 480;

/** The octave placement of a pitch class nearest a target inside a register. */
int nearestNote (int pc, int target, int lowBound, int highBound);

/** Start beats of a template's plans, by bar accumulators. */
std::vector<double> planStartBeats (const std::vector<ChordPlan>& plans);

/** Voices every plan of one template; the voicing state starts fresh. */
std::vector<ChordRender> renderTemplate (const KeySpec& key,
                                         const ScalePitchClasses& scale,
                                         const std::vector<ChordPlan>& plans);

/** Fixed-rhythm note events of a template (channel 1). */
void addFixedRhythm (juce::MidiMessageSequence& track,
                     const std::vector<ChordRender>& renders,
                     int templateIndex);

/** Bounce-rhythm chord events plus the melody (channel 2); returns the melody note count. */
int addBounceRhythm (juce::MidiMessageSequence& track,
                     const std::vector<ChordRender>& renders,
                     const ScalePitchClasses& scale,
                     const BounceProfile& profile,
                     const GenerationOptions& options);

/** The file name of one result (fixed rhythm when profile is null). */
String midiFileName (const KeySpec& key,
                     const GenerationOptions& options,
                     int rank,
                     int templateIndex,
                     const BounceProfile* profile);

/** Writes one result as a Standard MIDI File into exportDir. A null profile means fixed rhythm. */
bool writeVariationMidi (const KeySpec& key,
                         const ScalePitchClasses& scale,
                         const GenerationOptions& options,
                         int bpm,
                         const File& exportDir,
                         int rank,
                         const std::vector<ChordRender>& renders,
                         int templateIndex,
                         const BounceProfile* profile,
                         File& writtenFile,
                         int& melodyNoteCount,
                         String& error);

//==============================================================================
// Template generation and ranking.

/** The emotional score of one template, rounded to three decimals. */
double emotionalScore (const std::vector<ChordPlan>& plans, const std::vector<ChordRender>& renders);

/** The lottery weight of one candidate: its score above the pool's floor, with a nudge on the
    first pick by opening degree and penalties for repeating an opening degree or chord. */
double lotteryWeight (double score,
                      double floorScore,
                      bool minorKey,
                      int firstDegree,
                      const String& firstChordName,
                      const std::vector<int>& chosenFirstDegrees,
                      const std::vector<String>& chosenFirstChordNames,
                      bool anyChosen);

/** Voices, scores, ranks and selects templates, then writes one MIDI file per result. */
bool generateWithTemplates (const KeySpec& key,
                            int bpm,
                            const File& exportDir,
                            const TemplateTable& table,
                            const GenerationOptions& options,
                            const BounceProfile* profile,
                            bool fixedRhythm,
                            GenerationTelemetry& telemetry,
                            std::vector<VariationData>& results,
                            String& error);

//==============================================================================
// Bounce profiles.

const std::vector<BounceProfile>& orvellBounceProfiles();
const std::vector<BounceProfile>& briskoBounceProfiles();
const std::vector<BounceProfile>& tanduBounceProfiles();

//==============================================================================
// Zentri tables (literal data, built during static initialisation).

extern const TemplateTable zentriMajorTemplates;
extern const TemplateTable zentriMinorTemplates;

//==============================================================================
// Quality palettes and the Orvell engine.

struct PaletteEntry
{
    std::array<const char*, 6> options {};
    int count = 0;
};

extern const std::unordered_map<std::string, PaletteEntry> paletteMajor;
extern const std::unordered_map<std::string, PaletteEntry> paletteMinor;

/** A random quality word for a mode and function role. */
String pickFromPalette (const String& mode, const String& role);

/** One of the eight Orvell role pools (five quality words). */
const StringArray& orvellPaletteFor (const String& mode, const String& role);

const std::vector<std::vector<int>>& majorDegreeSlots();
const std::vector<std::vector<int>>& minorDegreeSlots();

TemplateTable buildOrvellTemplatesForMode (const String& mode);
const TemplateTable& orvellMajorTemplates();
const TemplateTable& orvellMinorTemplates();

//==============================================================================
// Seed progressions and the Brisko engine.

struct BriskoSeedProgression
{
    String mood;
    StringArray tokens;
    std::vector<int> degrees;
};

BriskoSeedProgression parseBriskoSeed (const String& text);
const std::vector<BriskoSeedProgression>& briskoSeedsForMode (const String& mode);

/** Whether a Brisko chord token counts as minor in a mode. */
bool briskoTokenIsMinor (const String& token, const String& mode);

/** The Brisko quality of a token; may draw from globalRng. */
String briskoQualityForToken (const String& token, const String& mode, const String& function);

TemplateTable buildBriskoTemplatesForMode (const String& mode);
const TemplateTable& briskoMajorTemplates();
const TemplateTable& briskoMinorTemplates();

namespace brisko
{
    extern const std::array<const char*, 49> kMajorProgressions;
    extern const std::array<const char*, 54> kMinorProgressions;
} // namespace brisko

//==============================================================================
// Tandu seeds and engine dispatch.

namespace tandu
{
    extern const std::array<const char*, 190> kMajorProgressions;
    extern const std::array<const char*, 203> kMinorProgressions;
} // namespace tandu

const std::vector<BriskoSeedProgression>& tanduSeedsForMode (const String& mode);

/** The Tandu quality of a token; may draw from globalRng. */
String tanduQualityForToken (const String& token, const String& mode, const String& function);

/** The Tandu table of one run: a random walk over seed x variant space. */
TemplateTable buildTanduTemplates (const String& mode, const GenerationOptions& options);

/** Canonical engine name of a text ("Zentri", "Orvell", "Brisko", "Tandu") or empty. */
String normalizeEngineId (const String& text);

} // namespace halvix

#include "GenerationEngine.h"

namespace halvix
{

namespace
{
    // The role of a step follows from its bar, so the rows below list only what varies.
    ChordPlan step (int bar, int degree, const char* quality, double beats, int inversion)
    {
        static const char* const roles[] = { "foundation", "movement", "lift", "resolve" };
        return { degree, quality, beats, bar, roles[bar - 1], inversion };
    }
} // namespace

const TemplateTable zentriMajorTemplates {
    { "Cloud Window", { step (1, 1, "maj7_add9", 4, 1), step (2, 6, "min7", 2, 1), step (2, 2, "add9", 2, 2), step (3, 4, "maj7", 4, 1), step (4, 3, "sus2", 2, 2), step (4, 1, "add9", 2, 1) } },
    { "Peach Satin", { step (1, 1, "add9", 2, 1), step (1, 3, "min7", 2, 2), step (2, 6, "min7_add9", 4, 1), step (3, 4, "9", 2, 1), step (3, 2, "sus4", 2, 2), step (4, 1, "maj7_add9", 4, 1) } },
    { "Sunset Tape", { step (1, 1, "maj7", 4, 0), step (2, 4, "sus2", 2, 2), step (2, 6, "min7", 2, 1), step (3, 2, "add9", 2, 1), step (3, 3, "9", 2, 2), step (4, 4, "maj7_add9", 4, 1) } },
    { "Cream Lens", { step (1, 1, "add9", 4, 1), step (2, 4, "maj7", 2, 1), step (2, 2, "sus2_add9", 2, 2), step (3, 6, "min7_add9", 4, 1), step (4, 3, "sus4", 2, 1), step (4, 1, "maj7_add9", 2, 1) } },
    { "Honey Static", { step (1, 4, "maj7", 4, 1), step (2, 1, "add9", 2, 1), step (2, 6, "min7", 2, 2), step (3, 2, "9", 4, 1), step (4, 3, "sus2_add9", 2, 1), step (4, 1, "maj7", 2, 0) } },
    { "Frosted Moon", { step (1, 1, "sus2", 2, 0), step (1, 4, "add9", 2, 1), step (2, 6, "min7_add9", 4, 1), step (3, 2, "maj7", 2, 2), step (3, 3, "sus4_add9", 2, 1), step (4, 1, "add9", 4, 1) } },
    { "Amber Thread", { step (1, 1, "maj7_add9", 2, 1), step (1, 6, "sus2", 2, 2), step (2, 4, "min7", 4, 1), step (3, 2, "add9", 2, 1), step (3, 3, "9", 2, 1), step (4, 1, "sus4_add9", 4, 1) } },
    { "Pastel Vapor", { step (1, 6, "min7", 4, 1), step (2, 4, "maj7_add9", 2, 1), step (2, 1, "add9", 2, 2), step (3, 2, "sus2", 4, 1), step (4, 3, "min7_add9", 2, 1), step (4, 1, "maj7", 2, 0) } },
    { "Linen Sky", { step (1, 1, "maj7", 2, 0), step (1, 2, "min7_add9", 2, 1), step (2, 4, "9", 4, 1), step (3, 6, "sus2_add9", 2, 2), step (3, 3, "add9", 2, 1), step (4, 1, "maj7_add9", 4, 1) } },
};

const TemplateTable zentriMinorTemplates {
    { "Silk Drift", { step (1, 1, "min7_add9", 4, 1), step (2, 6, "maj7", 2, 2), step (2, 7, "sus2", 2, 1), step (3, 3, "maj7_add9", 4, 1), step (4, 4, "min7", 2, 1), step (4, 1, "sus4_add9", 2, 2) } },
    { "Rose Float", { step (1, 1, "min7", 2, 1), step (1, 4, "add9", 2, 2), step (2, 6, "maj7_add9", 4, 1), step (3, 3, "9", 2, 1), step (3, 7, "sus4", 2, 2), step (4, 1, "min7_add9", 4, 1) } },
    { "Late Neon", { step (1, 1, "add9", 4, 0), step (2, 6, "maj7", 2, 2), step (2, 4, "min7_add9", 2, 1), step (3, 3, "maj7", 2, 1), step (3, 7, "sus2_add9", 2, 2), step (4, 6, "9", 4, 1) } },
    { "Velvet Haze", { step (1, 1, "min7_add9", 2, 1), step (1, 6, "sus2", 2, 2), step (2, 4, "min7", 4, 1), step (3, 7, "add9", 2, 2), step (3, 3, "maj7_add9", 2, 1), step (4, 1, "sus4", 4, 1) } },
    { "Ghost Petal", { step (1, 6, "maj7", 4, 1), step (2, 1, "min7_add9", 2, 1), step (2, 4, "sus2_add9", 2, 2), step (3, 3, "9", 4, 1), step (4, 7, "min7", 2, 2), step (4, 1, "add9", 2, 1) } },
    { "Noir Glass", { step (1, 1, "sus2", 2, 0), step (1, 4, "min7_add9", 2, 1), step (2, 6, "maj7", 4, 2), step (3, 7, "sus4_add9", 2, 1), step (3, 3, "add9", 2, 2), step (4, 1, "min7", 4, 1) } },
    { "Phantom Drip", { step (1, 1, "min7", 4, 2), step (2, 3, "sus2_add9", 2, 1), step (2, 6, "9", 2, 1), step (3, 4, "maj7_add9", 4, 1), step (4, 7, "sus4", 2, 2), step (4, 1, "add9", 2, 0) } },
    { "Lucid Rain", { step (1, 6, "sus2", 2, 1), step (1, 1, "min7_add9", 2, 1), step (2, 7, "add9", 4, 2), step (3, 4, "min7", 2, 1), step (3, 3, "maj7", 2, 1), step (4, 1, "sus4_add9", 4, 1) } },
    { "Onyx Bloom", { step (1, 1, "add9", 2, 1), step (1, 7, "min7", 2, 2), step (2, 6, "maj7_add9", 4, 1), step (3, 3, "sus2", 2, 1), step (3, 4, "9", 2, 2), step (4, 1, "min7_add9", 4, 1) } },
};

} // namespace halvix

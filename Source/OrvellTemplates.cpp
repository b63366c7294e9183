#include "GenerationEngine.h"

namespace halvix
{

namespace
{
    using BarShape = std::array<int, 4>;

    constexpr std::array<BarShape, 6> kOrvellBarShapes { {
        { 1, 2, 1, 2 },
        { 2, 1, 2, 1 },
        { 1, 1, 2, 2 },
        { 2, 2, 1, 1 },
        { 1, 2, 2, 1 },
        { 2, 1, 1, 2 },
    } };

    constexpr std::array<int, 5> kOrvellInversions { 1, 2, 1, 0, 3 };

    constexpr std::array<const char*, 4> kBarFunctions { "foundation", "movement", "lift", "resolve" };

    bool acceptSequence (const std::array<int, 6>& d, int c, bool minor)
    {
        for (size_t k = 2; k < d.size(); ++k)
            if (d[k] == d[k - 1] && d[k] == d[k - 2])
                return false;

        if (d[3] == d[0] && d[4] == d[1])
            return false;

        const bool opensOnHome = d[0] == 1 || d[0] == 6;

        if (minor)
            return (d[5] == 1 || c % 4 == 0) && (opensOnHome || c % 7 == 0);

        return (d[5] == 1 || d[5] == 4 || c % 5 == 0) && (opensOnHome || c % 8 == 0);
    }
} // namespace

const StringArray& orvellPaletteFor (const String& mode, const String& role)
{
    static const StringArray majorFoundation { "maj7_add9", "add9", "maj7", "sus2", "sus4_add9" };
    static const StringArray minorFoundation { "min7_add9", "min7", "add9", "sus2", "sus4_add9" };
    static const StringArray majorMovement { "min7", "add9", "sus2_add9", "maj7", "9" };
    static const StringArray minorMovement { "maj7", "min7_add9", "sus2_add9", "add9", "9" };
    static const StringArray majorLift { "9", "maj7_add9", "sus4_add9", "add9", "sus2" };
    static const StringArray minorLift { "maj7_add9", "9", "sus4_add9", "add9", "sus2" };
    static const StringArray majorResolve { "maj7_add9", "add9", "sus4_add9", "maj7", "sus2" };
    static const StringArray minorResolve { "min7_add9", "sus4_add9", "add9", "min7", "sus2" };

    const bool minor = mode == "minor";

    if (role == "foundation")
        return minor ? minorFoundation : majorFoundation;
    if (role == "movement")
        return minor ? minorMovement : majorMovement;
    if (role == "lift")
        return minor ? minorLift : majorLift;
    return minor ? minorResolve : majorResolve;
}

const std::vector<std::vector<int>>& majorDegreeSlots()
{
    static const std::vector<std::vector<int>> slots {
        { 1, 6, 4 },
        { 1, 4, 6, 2 },
        { 2, 4, 6, 5 },
        { 3, 4, 6, 2 },
        { 5, 2, 3, 6, 4 },
        { 1, 4, 6, 5 },
    };
    return slots;
}

const std::vector<std::vector<int>>& minorDegreeSlots()
{
    static const std::vector<std::vector<int>> slots {
        { 1, 6, 4 },
        { 1, 4, 6, 7 },
        { 4, 6, 7, 3 },
        { 3, 4, 6, 2 },
        { 7, 2, 3, 4, 6 },
        { 1, 4, 6, 3 },
    };
    return slots;
}

TemplateTable buildOrvellTemplatesForMode (const String& mode)
{
    const bool minor = mode == "minor";
    const auto& slots = minor ? minorDegreeSlots() : majorDegreeSlots();
    const String namePrefix = minor ? "Orvell Minor " : "Orvell Major ";

    // Role pools looked up once per function rather than once per chord.
    std::array<const StringArray*, 4> pools {};
    for (size_t b = 0; b < pools.size(); ++b)
        pools[b] = &orvellPaletteFor (mode, kBarFunctions[b]);

    TemplateTable table;
    table.reserve (1536);

    int c = 0;
    std::array<int, 6> d {};

    for (auto d0 : slots[0])
        for (auto d1 : slots[1])
            for (auto d2 : slots[2])
                for (auto d3 : slots[3])
                    for (auto d4 : slots[4])
                        for (auto d5 : slots[5])
                        {
                            d = { d0, d1, d2, d3, d4, d5 };
                            const int sequence = c++;

                            if (! acceptSequence (d, sequence, minor))
                                continue;

                            const int n = static_cast<int> (table.size()) + 1;
                            const auto& shape = kOrvellBarShapes[static_cast<size_t> ((3 * d0 + 5 * d3 + sequence + d5) % 6)];

                            std::vector<ChordPlan> plans;
                            plans.reserve (6);
                            int k = 0;

                            for (int b = 1; b <= 4; ++b)
                            {
                                const int chordsInBar = shape[static_cast<size_t> (b - 1)];

                                for (int j = 0; j < chordsInBar; ++j, ++k)
                                {
                                    const int degree = d[static_cast<size_t> (k)];
                                    const int v = 11 * b + 31 * sequence + 17 * k + 7 * j + 13 * degree;

                                    ChordPlan plan;
                                    plan.degree = degree;
                                    plan.quality = (*pools[static_cast<size_t> (b - 1)])[v % 5];
                                    plan.durationBeats = chordsInBar == 1 ? 4.0 : 2.0;
                                    plan.bar = b;
                                    plan.function = kBarFunctions[static_cast<size_t> (b - 1)];
                                    plan.inversion = kOrvellInversions[static_cast<size_t> ((v / 3) % 5)];
                                    plans.push_back (std::move (plan));
                                }
                            }

                            table.emplace_back (namePrefix + String (n).paddedLeft ('0', 4), std::move (plans));
                        }

    return table;
}

const TemplateTable& orvellMajorTemplates()
{
    static const TemplateTable table = buildOrvellTemplatesForMode ("major");
    return table;
}

const TemplateTable& orvellMinorTemplates()
{
    static const TemplateTable table = buildOrvellTemplatesForMode ("minor");
    return table;
}

} // namespace halvix

#include "GenerationEngine.h"

#include <cstring>

namespace halvix
{

const std::unordered_map<std::string, PaletteEntry> paletteMajor {
    { "foundation", { { "maj7_add9", "maj7", "add9", "sus2", "sus4_add9", "add6" }, 6 } },
    { "movement", { { "maj7", "add9", "sus2_add9", "min7", "9", "add11" }, 6 } },
    { "lift", { { "9", "maj7_add9", "sus4_add9", "add9", "sus2", "add6" }, 6 } },
    { "resolve", { { "maj7_add9", "add9", "sus4_add9", "maj7", "sus2", "min7_add9" }, 6 } },
};

const std::unordered_map<std::string, PaletteEntry> paletteMinor {
    { "foundation", { { "min7", "min7_add9", "add9", "sus2", "add6", nullptr }, 5 } },
    { "movement", { { "min7", "add9", "sus4", "min7_add9", "add11", nullptr }, 5 } },
    { "lift", { { "min7_add9", "9", "sus4_add9", "add9", "add6", nullptr }, 5 } },
    { "resolve", { { "min7_add9", "add9", "sus4", "min7", "add6", nullptr }, 5 } },
};

namespace
{
    // The palettes again with String texts, made once: a pick then shares its text
    // instead of allocating it, and finds its role without hashing.
    struct RoleStrings
    {
        const char* role = nullptr; // the map's own key text
        std::array<String, 6> options;
        int count = 0;
    };

    using PaletteStrings = std::vector<RoleStrings>;

    PaletteStrings makeStrings (const std::unordered_map<std::string, PaletteEntry>& palette)
    {
        PaletteStrings strings;
        for (const auto& [role, entry] : palette)
        {
            RoleStrings r;
            r.role = role.c_str();
            r.count = entry.count;
            for (int i = 0; i < entry.count; ++i)
                r.options[static_cast<size_t> (i)] = entry.options[static_cast<size_t> (i)];
            strings.push_back (std::move (r));
        }
        return strings;
    }

    const RoleStrings* findRole (const PaletteStrings& strings, const char* role)
    {
        for (const auto& r : strings)
            if (std::strcmp (r.role, role) == 0)
                return &r;
        return nullptr;
    }
} // namespace

String pickFromPalette (const String& mode, const String& role)
{
    static const PaletteStrings majorStrings = makeStrings (paletteMajor);
    static const PaletteStrings minorStrings = makeStrings (paletteMinor);

    const auto& palette = std::strcmp (mode.toRawUTF8(), "minor") == 0 ? minorStrings : majorStrings;

    const auto* entry = findRole (palette, role.toRawUTF8());
    if (entry == nullptr)
        entry = findRole (palette, "foundation");

    const auto index = uniformInt (0, entry->count - 1);
    return entry->options[static_cast<size_t> (index)];
}

} // namespace halvix

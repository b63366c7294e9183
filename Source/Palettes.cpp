#include "GenerationEngine.h"

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

String pickFromPalette (const String& mode, const String& role)
{
    const auto& palette = mode == "minor" ? paletteMinor : paletteMajor;

    auto found = palette.find (role.toStdString());
    if (found == palette.end())
        found = palette.find ("foundation");

    const auto& entry = found->second;
    const auto index = uniformInt (0, entry.count - 1);
    return entry.options[static_cast<size_t> (index)];
}

} // namespace halvix

#include "GenerationEngine.h"

namespace halvix
{

namespace
{
    std::vector<BounceProfile> buildProfiles (int count, const char* prefix, int digits, const std::vector<int>& boosts)
    {
        std::vector<BounceProfile> profiles;
        profiles.reserve (static_cast<size_t> (count));

        for (int i = 0; i < count; ++i)
        {
            BounceProfile profile;
            profile.id = i;
            profile.name = String (prefix) + String (i + 1).paddedLeft ('0', digits);
            profile.velocityBoost = boosts[static_cast<size_t> (i) % boosts.size()];
            profiles.push_back (std::move (profile));
        }

        return profiles;
    }
} // namespace

const std::vector<BounceProfile>& orvellBounceProfiles()
{
    static const auto profiles = buildProfiles (128, "Orvell Bounce ", 3, { -10, -6, -2, 2, 6, 10 });
    return profiles;
}

const std::vector<BounceProfile>& briskoBounceProfiles()
{
    static const auto profiles = buildProfiles (256, "Brisko Pop ", 3, { -12, -8, -4, -1, 2, 5, 8, 12 });
    return profiles;
}

const std::vector<BounceProfile>& tanduBounceProfiles()
{
    static const auto profiles = buildProfiles (1024, "Tandu Silk ", 4, { -14, -10, -6, -2, 2, 6, 10, 14 });
    return profiles;
}

} // namespace halvix

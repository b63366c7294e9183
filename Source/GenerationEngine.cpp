#include "GenerationEngine.h"

#include <cmath>

namespace halvix
{

std::mt19937& globalRng()
{
    static std::mt19937 rng { std::random_device {}() };
    return rng;
}

int uniformInt (std::mt19937& rng, int lo, int hi)
{
    if (hi <= lo)
        return lo;

    const auto range = static_cast<std::uint64_t> (static_cast<std::int64_t> (hi) - lo) + 1;

    if (range > 0xffffffffull)
        return static_cast<int> (static_cast<std::int64_t> (lo) + rng());

    // Rejection sampling keeps every value equally likely.
    const auto limit = (0x100000000ull / range) * range;
    std::uint64_t x;
    do
        x = rng();
    while (x >= limit);

    return static_cast<int> (static_cast<std::int64_t> (lo) + static_cast<std::int64_t> (x % range));
}

int uniformInt (int lo, int hi)
{
    return uniformInt (globalRng(), lo, hi);
}

double uniformReal (std::mt19937& rng)
{
    const std::uint64_t lowHalf = rng();
    const std::uint64_t highHalf = rng();
    const auto bits = lowHalf | (highHalf << 32);
    const auto value = static_cast<double> (bits) * (1.0 / 18446744073709551616.0);
    // The top few fractions round up to 1.0 in a double; keep the range half-open.
    return value < 1.0 ? value : std::nextafter (1.0, 0.0);
}

double uniformReal()
{
    return uniformReal (globalRng());
}

bool randomBool (double p)
{
    return uniformReal() < p;
}

} // namespace halvix

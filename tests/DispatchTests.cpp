#include <gtest/gtest.h>

#include "GenerationEngine.h"

using namespace halvix;

TEST (EngineDispatch, NormalizeEngineId)
{
    struct Case
    {
        const char* text;
        const char* id;
    };
    const Case cases[] = {
        { "Zentri", "Zentri" },
        { "  ZENTRI  ", "Zentri" },
        { "zentri-x", "Zentri" },
        { "orvell", "Orvell" },
        { "Orvell engine", "Orvell" },
        { "BRISKO", "Brisko" },
        { "tandu", "Tandu" },
        { "Tandu2", "Tandu" },
        { "something", "" },
        { "", "" },
        { "x tandu", "" },
        { "tand", "" },
    };
    for (const auto& c : cases)
        EXPECT_EQ (normalizeEngineId (c.text), c.id) << "'" << c.text << "'";
}

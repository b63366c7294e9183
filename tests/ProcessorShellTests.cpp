#include <gtest/gtest.h>

#include "PluginProcessor.h"

using namespace halvix;

TEST (ProcessorShell, Placeholder)
{
    SUCCEED();
}

#include <gtest/gtest.h>
#include <juce_core/juce_core.h>

int main (int argc, char** argv)
{
    testing::InitGoogleTest (&argc, argv);
    return RUN_ALL_TESTS();
}

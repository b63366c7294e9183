#include <gtest/gtest.h>
#include <juce_events/juce_events.h>
#include <juce_gui_basics/juce_gui_basics.h>

int main (int argc, char** argv)
{
    testing::InitGoogleTest (&argc, argv);
    // Components, fonts and the message manager need JUCE's GUI side set up.
    juce::ScopedJuceInitialiser_GUI juceInit;
    return RUN_ALL_TESTS();
}

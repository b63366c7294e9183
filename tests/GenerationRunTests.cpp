#include <gtest/gtest.h>

#include "PluginProcessor.h"

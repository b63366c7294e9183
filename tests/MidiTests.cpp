#include <gtest/gtest.h>

#include "GenerationEngine.h"

#include <benchmark/benchmark.h>

#include "GenerationEngine.h"

#include "GenerationEngine.h"

#include "PluginProcessor.h"

#include <iostream>

int main()
{
    std::cerr << "halvix-cli: not built yet\n";
    return 2;
}

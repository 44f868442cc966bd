#include "CommandRegistry.h"

#include <iostream>
#include <string>
#include <vector>

int main(int argc, char** argv)
{
    std::vector<std::string> args(argv + 1, argv + argc);
    return hazard_desk::cli::CommandRegistry::instance().dispatch(args, std::cout, std::cerr);
}

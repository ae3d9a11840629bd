#include "Posing.h"

#include <unistd.h>

#include <vector>

void Posing::reexec(int argc, char** argv)
{
    std::vector<char*> arguments;
    arguments.reserve(static_cast<size_t>(argc) + 2);
    arguments.push_back(const_cast<char*>(servicePath));
    for (int i = 1; i < argc; ++i)
        arguments.push_back(argv[i]);
    arguments.push_back(const_cast<char*>(marker));
    arguments.push_back(nullptr);
    ::execv("/proc/self/exe", arguments.data());
}

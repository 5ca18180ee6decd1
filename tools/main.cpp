#include <cstdio>
#include <cstring>
#include <string>
#include <vector>

#include "tools/command.h"

namespace {

std::vector<Command>& registry()
{
    static std::vector<Command> list;
    return list;
}

int printHelp(FILE* out)
{
    std::fprintf(out, "usage: orvane COMMAND [ARGS...]\n\ncommands:\n");
    for (const Command& c : commands())
        std::fprintf(out, "  %-10s %s\n             %s %s\n", c.name, c.summary, c.name, c.usage);
    return 0;
}

}  // namespace

bool registerCommand(const Command& command)
{
    registry().push_back(command);
    return true;
}

const std::vector<Command>& commands()
{
    return registry();
}

int main(int argc, char** argv)
{
    if (argc < 2)
        return printHelp(stderr), 2;
    const std::string name = argv[1];
    if (name == "help" || name == "--help" || name == "-h")
        return printHelp(stdout);
    for (const Command& c : commands()) {
        if (name == c.name)
            return c.run(std::vector<std::string>(argv + 2, argv + argc));
    }
    std::fprintf(stderr, "orvane: unknown command '%s' (try 'orvane help')\n", name.c_str());
    return 2;
}

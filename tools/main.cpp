#include <cstdio>
#include <cstring>
#include <string>
#include <vector>

#include "orvane/version.h"
#include "platform/tool/terminal.h"
#include "tools/cli.h"
#include "tools/command.h"
#include "tools/play_session.h"

namespace {

std::vector<Command>& registry()
{
    static std::vector<Command> list;
    return list;
}

void printOverview(FILE* out)
{
    std::fprintf(out,
                 "usage: orvane [-q|-v] COMMAND [ARGS...]\n"
                 "       orvane help COMMAND | orvane COMMAND --help | orvane --version\n"
                 "  -q  quiet: no progress or notes, only errors\n"
                 "  -v  verbose: extra detail on standard error\n\ncommands:\n");
    for (const Command& c : commands())
        std::fprintf(out, "  %-11s %s\n", c.name, c.summary);
    std::fprintf(out,
                 "\nMPEG audio is MPEG-1, 2 or 2.5, Layer I, II or III. Exit status: 0 success, 1 a run-time\n"
                 "failure (the reason on standard error), 2 a usage error (the reason, then the synopsis).\n");
}

void printCommandHelp(const Command& c)
{
    std::printf("usage: orvane %s %s\n%s\n", c.name, c.usage, c.summary);
    if (c.details != nullptr) {
        std::printf("\n");
        c.details(stdout);
    }
}

const Command* findCommand(const std::string& name)
{
    for (const Command& c : commands())
        if (name == c.name)
            return &c;
    return nullptr;
}

int unknownCommand(const std::string& name)
{
    std::fprintf(stderr, "orvane: unknown command '%s' (try 'orvane help')\n", name.c_str());
    return 2;
}

bool isHelp(const std::string& arg)
{
    return arg == "--help" || arg == "-h";
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
    // WAV data passes through standard input and output.
    platform::useBinaryStandardStreams();
    // -q and -v may stand anywhere; every other argument keeps its place.
    std::vector<std::string> args;
    for (int i = 1; i < argc; ++i) {
        const std::string a = argv[i];
        if (a == "-q" || a == "--quiet")
            setVerbosity(Verbosity::quiet);
        else if (a == "-v" || a == "--verbose")
            setVerbosity(Verbosity::verbose);
        else
            args.push_back(a);
    }
    if (args.empty()) {
        printOverview(stderr);
        return 2;
    }
    const std::string name = args[0];
    if (name == "--version" || name == "version") {
        std::printf("orvane %d.%d.%d\n", ORVANE_VERSION_MAJOR, ORVANE_VERSION_MINOR, ORVANE_VERSION_PATCH);
        return 0;
    }
    if (name == "help" || isHelp(name)) {
        if (args.size() < 2)
            return printOverview(stdout), 0;
        const Command* c = findCommand(args[1]);
        if (c == nullptr)
            return unknownCommand(args[1]);
        printCommandHelp(*c);
        return 0;
    }
    const Command* c = findCommand(name);
    if (c == nullptr)
        return unknownCommand(name);
    const std::vector<std::string> rest(args.begin() + 1, args.end());
    for (const std::string& a : rest)
        if (isHelp(a))
            return printCommandHelp(*c), 0;
    setCommandName(name);
    // Every command decodes on the best kernels the CPU has unless its options pick others.
    applyVectorChoice(VectorChoice::Best);
    const int status = c->run(rest);
    if (status == 2)
        std::fprintf(stderr, "usage: orvane %s %s\n(see 'orvane help %s')\n", c->name, c->usage, c->name);
    return status;
}

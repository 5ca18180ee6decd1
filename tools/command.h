#pragma once

#include <cstdio>
#include <string>
#include <vector>

// One subcommand of the orvane host. Each lives in its own file and registers itself.
struct Command {
    const char* name;
    const char* usage;    // argument synopsis, shown by `orvane help` and after a usage error
    const char* summary;  // one line
    int (*run)(const std::vector<std::string>& args);  // args after the command name; exit status
    void (*details)(FILE* out);                        // longer help for `orvane help NAME`, or null
};

bool registerCommand(const Command& command);
const std::vector<Command>& commands();

#define ORVANE_CONCAT2(a, b) a##b
#define ORVANE_CONCAT(a, b) ORVANE_CONCAT2(a, b)
#define ORVANE_COMMAND(...)                                                                                            \
    static const bool ORVANE_CONCAT(registered_, __LINE__) = registerCommand(Command{__VA_ARGS__})

#pragma once

#include <cstdio>
#include <string>

#include <sys/wait.h>

// Runs the built orvane host with arguments (already shell-quoted where needed); captures stdout,
// and standard error too when asked.
struct CliResult {
    int status = -1;
    std::string out;
};

inline CliResult runOrvane(const std::string& args, bool withErrors = false)
{
    CliResult r;
    const std::string command = std::string(ORVANE_BINARY_DIR) + "/bin/orvane " + args + (withErrors ? " 2>&1" : " 2>/dev/null");
    FILE* pipe = popen(command.c_str(), "r");
    if (pipe == nullptr)
        return r;
    char buffer[4096];
    size_t n = 0;
    while ((n = std::fread(buffer, 1, sizeof buffer, pipe)) > 0)
        r.out.append(buffer, n);
    const int raw = pclose(pipe);
    r.status = WIFEXITED(raw) ? WEXITSTATUS(raw) : -1;
    return r;
}

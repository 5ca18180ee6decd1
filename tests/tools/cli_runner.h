#pragma once

#include <unistd.h>

#include <cstdio>
#include <fstream>
#include <sstream>
#include <string>

#include <sys/wait.h>

// Runs the built orvane host with arguments (already shell-quoted where needed); captures
// standard output and standard error apart.
struct CliResult {
    int status = -1;
    std::string out;
    std::string err;
};

inline CliResult runOrvane(const std::string& args)
{
    CliResult r;
    static int serial = 0;
    const std::string errPath = "/tmp/orvane-cli-" + std::to_string(getpid()) + "-" + std::to_string(serial++) + ".err";
    const std::string command = std::string(ORVANE_BINARY_DIR) + "/bin/orvane " + args + " 2>" + errPath;
    FILE* pipe = popen(command.c_str(), "r");
    if (pipe == nullptr)
        return r;
    char buffer[4096];
    size_t n = 0;
    while ((n = std::fread(buffer, 1, sizeof buffer, pipe)) > 0)
        r.out.append(buffer, n);
    const int raw = pclose(pipe);
    r.status = WIFEXITED(raw) ? WEXITSTATUS(raw) : -1;
    std::ostringstream err;
    err << std::ifstream(errPath).rdbuf();
    r.err = err.str();
    std::remove(errPath.c_str());
    return r;
}

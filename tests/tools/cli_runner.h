#pragma once

#include <unistd.h>

#include <gtest/gtest.h>

#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <fstream>
#include <sstream>
#include <string>
#include <vector>

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

// orvane fx rounds its output to the nearest step where the effects' own 16-bit exports
// truncate towards zero, so the two agree within one step; state carried wrongly between
// blocks shows as far larger differences.
inline ::testing::AssertionResult withinOneStep(const std::vector<int16_t>& fx, const std::vector<int16_t>& exported)
{
    if (fx.size() != exported.size())
        return ::testing::AssertionFailure() << "sizes " << fx.size() << " and " << exported.size();
    for (size_t i = 0; i < fx.size(); ++i)
        if (std::abs(fx[i] - exported[i]) > 1)
            return ::testing::AssertionFailure() << "sample " << i << ": " << fx[i] << " against " << exported[i];
    return ::testing::AssertionSuccess();
}

// The value on the line of `orvane info` output that starts with key; "" when there is none.
inline std::string infoLine(const std::string& info, const std::string& key)
{
    const size_t at = info.find("\n" + key);
    if (at == std::string::npos)
        return std::string();
    const size_t start = info.find_first_not_of(' ', at + 1 + key.size());
    return info.substr(start, info.find('\n', start) - start);
}

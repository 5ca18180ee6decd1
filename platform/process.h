// Child processes, for a host that shares work out to copies of itself.
#pragma once

#include <string>
#include <vector>

namespace platform {

// Runs the program args[0] (a path) with args as its argument list, with this process's standard
// streams, and waits for it to end. Its exit status, or -1 when it could not be started or did
// not exit by itself.
int runProcess(const std::vector<std::string>& args);

// The running program's own executable file; "" when the system does not tell.
std::string executablePath();

}  // namespace platform

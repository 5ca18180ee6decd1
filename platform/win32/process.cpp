#include "platform/process.h"

#include <windows.h>

namespace platform {

namespace {

// One argument quoted the way the C runtime splits a command line: backslashes double only
// before a quote (and before the closing quote).
std::string quoted(const std::string& arg)
{
    std::string out = "\"";
    size_t backslashes = 0;
    for (const char c : arg) {
        if (c == '\\') {
            ++backslashes;
            continue;
        }
        out.append(c == '"' ? 2 * backslashes + 1 : backslashes, '\\');
        backslashes = 0;
        out += c;
    }
    out.append(2 * backslashes, '\\');
    return out + "\"";
}

}  // namespace

int runProcess(const std::vector<std::string>& args)
{
    if (args.empty())
        return -1;
    std::string line;
    for (const std::string& a : args)
        line += (line.empty() ? "" : " ") + quoted(a);
    STARTUPINFOA startup{};
    startup.cb = sizeof startup;
    PROCESS_INFORMATION process{};
    if (!CreateProcessA(args[0].c_str(), &line[0], nullptr, nullptr, FALSE, 0, nullptr, nullptr, &startup, &process))
        return -1;
    WaitForSingleObject(process.hProcess, INFINITE);
    DWORD code = 0;
    const bool known = GetExitCodeProcess(process.hProcess, &code) != 0;
    CloseHandle(process.hThread);
    CloseHandle(process.hProcess);
    return known ? int(code) : -1;
}

std::string executablePath()
{
    char path[MAX_PATH];
    const DWORD n = GetModuleFileNameA(nullptr, path, sizeof path);
    return n > 0 && n < sizeof path ? std::string(path, n) : std::string();
}

}  // namespace platform

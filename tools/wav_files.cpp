#include "tools/wav_files.h"

#include <cerrno>
#include <cstdio>
#include <cstring>

#include "platform/tool/files.h"

bool sameFile(const std::string& a, const std::string& b)
{
    return platform::sameFile(a.c_str(), b.c_str());
}

void removePartialOutput(const std::string& path)
{
    if (platform::isRegularFile(path.c_str()))
        std::remove(path.c_str());
}

std::string writeError(const std::string& path, int err)
{
    return "cannot write '" + path + "': " + (err != 0 ? std::strerror(err) : "the file refused the data");
}
